#pragma once
// "Dica" in the main window: the key D and the button by the player's cards show, in the line at
// the window's foot, what "Mestre" would do in the player's seat now and its chance of winning
// the hand. Only in a game against the computer; the line goes when the game moves on.
//
// Every hint shown is announced by `hintShown`, so the hand's history can record it and later
// tell how often the player followed it.

#include <QObject>
#include <QString>
#include <optional>

#include "engine/game.h"
#include "opponent/hint.h"

namespace truco {

class TFormMain;

class HintController : public QObject {
  Q_OBJECT
 public:
  // `mestre` null: there is no hint (its data could not be used) and the button stays hidden.
  HintController(Game& game, TFormMain& main, const MestreJudgement* mestre,
                 QObject* parent = nullptr);

  // Key D and the button: the hint for the player now, when there is one.
  void BDicaClick();
  // Key D in the dialog of the computer's call: accept, raise or run, at the main window's foot.
  void AttachToTrucoDialog(QWidget* dialog);
  // The hint for answering the call that `dialog` shows now.
  void AnswerHint(QWidget* dialog);
  // The last hint shown, while it is still on screen.
  [[nodiscard]] const std::optional<Dica>& shown() const { return shown_; }

 signals:
  // A hint was shown for the player's seat: the hand (`hand_counter` of the game state), the
  // move (`Advice::Kind` as a number; for a card its place 0..2, CartaJ1..CartaJ3, else -1), the
  // chance of winning the hand (0..1) and the line shown.
  void hintShown(int hand_counter, int kind, int card_index, double hand_chance,
                 const QString& text);

 private:
  // After every refresh: the button only in a game against the computer; a hint whose moment
  // has passed leaves the foot line.
  void Follow();
  // What a hint depends on: it is stale once any of it changes.
  [[nodiscard]] std::uint64_t Moment() const;

  Game& game_;
  TFormMain& main_;
  const MestreJudgement* mestre_;
  void Show(std::optional<Dica> dica);

  std::optional<Dica> shown_;
  std::uint64_t shown_moment_ = 0;
};

}  // namespace truco
