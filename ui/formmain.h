#pragma once
// The table on which the game is played, and the hub from which every other window opens.
//
// The window holds no game rules: it shows `Game::state()` and forwards every click to the game,
// then brings itself up to date. Windows that live elsewhere (about, rules, manilhas, settings,
// records, phrases) are reached through the *Requested signals, which the program connects.

#include <QColor>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "engine/game.h"
#include "engine/screen.h"
#include "ui/card.h"

class QAction;
class QActionGroup;
class QMenu;

namespace Ui {
class TFormMain;
}

namespace truco {

class TFormMain : public QWidget {
  Q_OBJECT
 public:
  // The hidden command of the chat entry.
  static constexpr const char* kViewHandsCommand = "/viewhands_518";
  static constexpr int kTimer6FirstMs = 20000;
  static constexpr int kTimer6EveryMs = 60000;
  static constexpr TDecks kStartDeck = TDecks::Standard2;
  static constexpr int kClientWidth = 692;
  // Wide enough for the chat column right of the table.
  static constexpr int kChatWidth = 1000;

  // `screen` shows the exit dialog's boxes and takes its records.
  TFormMain(Game& game, Screen& screen, QWidget* parent = nullptr);
  ~TFormMain() override;

  // Brings every control up to date from the game state.
  void refresh();
  // The table as the player must see it while a modal box waits: the stake display catches up
  // (its step is display only) and every control is refreshed.
  void ShowTableForModal();

  // How the program ends after the exit dialog (qApp->quit() unless replaced, e.g. by tests).
  void SetQuitAction(std::function<void()> quit) { quit_ = std::move(quit); }

  // The window's background (settings); GB1 and the cards' corners follow it.
  void SetBackground(const QColor& colour);
  [[nodiscard]] QColor background() const { return background_; }

  // The first-place line of the records table.
  void SetFirstPlace(const QString& name, int balance);
  // The score box's hint: the computer's level in force ("Clássico" or "Forte").
  void SetLevelHint(const QString& level_name);

  // The back shown by the seven cards, as chosen in the pop-up menu.
  [[nodiscard]] TDecks deckType() const { return deck_type_; }
  void SetDeckType(TDecks deck);

  // The chat column of a networked game: the message panel L_MSG (a CR starts a new line), the
  // opponent's name (NOME; above the opponent's cards and in the score box while the game is
  // networked) and one line more in CHAT.
  void SetMessagePanel(const QString& text);
  void SetOpponentName(const QString& name);
  void AppendChat(const QString& line);
  // Whether the window is wide enough to show the chat column (it is in a networked game).
  [[nodiscard]] bool chatShown() const { return chat_shown_; }

  [[nodiscard]] QMenu* popupMenu() const { return popup_; }
  [[nodiscard]] TCard* card(CardId id) const { return cards_[id]; }

  // Event handlers, named after the control and the event.
  void BInicioClick();
  void BTrucarClick();
  void BCorrerClick();
  void BEsconderClick();
  void CartaJClick(int index);
  void CartaMClick(int index);
  void CViraClick();
  void TrickLabelClick(int trick);
  void E_MSGKeyPress();
  void BsairClick();
  void SpeedButton3Click();
  void Timer6Timer();

 signals:
  // Hooks for the windows that other parts of the program own.
  void aboutRequested();
  void rulesRequested();
  void manilhasRequested();
  void settingsRequested();
  void recordsRequested();
  void phrasesRequested();
  // Each time the window is shown: time to read the first row of the records.
  void firstPlaceRequested();
  // A chat line typed in E_MSG (not the hidden command), for network play.
  void chatLineEntered(const QString& line);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildPopupMenu();
  void LoadPages();
  void ShowChatColumn(bool show);
  // Runs a game event and shows its outcome.
  void Forward(const std::function<void()>& event);

  std::unique_ptr<Ui::TFormMain> ui_;
  Game& game_;
  Screen& screen_;
  std::array<TCard*, kNumTableCards> cards_{};
  QMenu* popup_ = nullptr;
  QActionGroup* deck_group_ = nullptr;
  QTimer* timer6_ = nullptr;
  QColor background_;
  TDecks deck_type_ = kStartDeck;
  QString opponent_name_;
  bool chat_shown_ = false;
  std::function<void()> quit_;
  bool leaving_ = false;  // "Sair" was confirmed: the window lets itself be closed
};

}  // namespace truco
