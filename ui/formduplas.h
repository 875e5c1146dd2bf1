#pragma once
// The table of the game in pairs: the player (south) and a computer partner (north) against two
// computers (east and west). The window holds no rules: it shows what the south seat may see
// (`ViewOf`), forwards keys and clicks to the game, and runs the computer seats one due step at a
// time by a single-shot timer, so an idle table uses no CPU.

#include <QColor>
#include <QString>
#include <QWidget>
#include <array>
#include <memory>

#include "engine/duplas.h"
#include "opponent/duplas_players.h"
#include "ui/card.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QTextBrowser;
class QTimer;

namespace truco {

class TFormDuplas : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kWidth = 760;
  static constexpr int kHeight = 600;
  // A computer seat waits this long before its move, so the player sees each card land.
  static constexpr int kStepMs = 450;

  // `forte`: the computer seats sample ("Forte"); else they play by rules.
  TFormDuplas(RandomSource& random, bool forte, QWidget* parent = nullptr);
  ~TFormDuplas() override;

  // Rules of the deck and the hand of eleven, read at every deal.
  void SetSettings(const duplas::DuplasSettings& settings);
  void SetBackground(const QColor& colour);
  void SetDeckType(TDecks deck);
  // The name over the player's cards (the game-kind dialog's).
  void SetPlayerName(const QString& name) {
    player_name_ = name;
    refresh();
  }
  // Tests run the computer seats without waiting.
  void SetStepDelay(int ms) { step_ms_ = ms; }

  [[nodiscard]] const duplas::DuplasGame& game() const { return game_; }
  duplas::DuplasGame& mutable_game() { return game_; }
  [[nodiscard]] QString statusText() const;
  [[nodiscard]] QString stakeText() const;
  [[nodiscard]] QString partnerSignText() const;
  [[nodiscard]] TCard* card(int seat, int slot) const;
  [[nodiscard]] TCard* trickCard(int seat) const;
  [[nodiscard]] bool computerStepDue() const;

  // Brings every control up to date from the south seat's view.
  void refresh();

  // Commands (keys in brackets).
  void BInicioClick();        // I: a new game
  void CartaClick(int slot);  // 1 2 3
  void BTrucarClick();        // T: call, or raise while answering
  void BCorrerClick();        // C: run, run from a call, give the hand of eleven up
  void BEsconderClick();      // E: the next card goes face down
  void BAceitarClick();       // A: accept the call
  void BJogarClick();         // J: play the hand of eleven
  void ShowSign(duplas::Sign sign);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void Build();
  void SetUpKeyboard();
  void ScheduleStep();
  void Step();
  void Deal();
  [[nodiscard]] int ShownTrick() const;

  duplas::DuplasGame game_;
  std::unique_ptr<duplas::DuplasPlayer> rules_;
  std::unique_ptr<duplas::DuplasPlayer> computer_;
  std::array<duplas::DuplasPlayer*, duplas::kNumSeats> players_{};
  bool signs_due_ = false;
  bool hide_armed_ = false;
  bool started_ = false;
  int step_ms_ = kStepMs;
  QTimer* step_timer_ = nullptr;

  std::array<std::array<TCard*, duplas::kHandSize>, duplas::kNumSeats> hands_{};
  std::array<TCard*, duplas::kNumSeats> trick_{};
  TCard* vira_ = nullptr;
  QLabel* score_nos_ = nullptr;
  QLabel* score_eles_ = nullptr;
  QLabel* stake_ = nullptr;
  QLabel* tricks_line_ = nullptr;
  QLabel* sign_ = nullptr;
  QLabel* call_ = nullptr;
  std::array<QLabel*, duplas::kNumSeats> names_{};
  QPushButton* b_inicio_ = nullptr;
  QPushButton* b_trucar_ = nullptr;
  QPushButton* b_correr_ = nullptr;
  QPushButton* b_esconder_ = nullptr;
  QPushButton* b_aceitar_ = nullptr;
  QPushButton* b_jogar_ = nullptr;
  QPushButton* b_sinal_ = nullptr;
  QMenu* sign_menu_ = nullptr;
  QAction* signs_on_ = nullptr;
  QTextBrowser* tips_ = nullptr;
  QStatusBar* status_ = nullptr;
  QString status_text_;
  QString player_name_;
  duplas::DuplasSettings settings_;
};

// The sign's name and the face that shows it, as the tips column lists them.
QString SignName(duplas::Sign sign);
QString SignFace(duplas::Sign sign);

}  // namespace truco
