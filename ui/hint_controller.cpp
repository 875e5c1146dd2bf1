#include "ui/hint_controller.h"

#include <QPushButton>
#include <QShortcut>

#include "ui/formmain.h"

namespace truco {

HintController::HintController(Game& game, TFormMain& main, const MestreJudgement* mestre,
                               QObject* parent)
    : QObject(parent), game_(game), main_(main), mestre_(mestre) {
  connect(main_.hintButton(), &QPushButton::clicked, this, [this] { BDicaClick(); });
  connect(&main_, &TFormMain::refreshed, this, [this] { Follow(); });
  Follow();
}

std::uint64_t HintController::Moment() const {
  const GameState& s = game_.state();
  std::uint64_t m = game_.deals();
  m = m * 31 + static_cast<std::uint64_t>(s.turn);
  m = m * 31 + static_cast<std::uint64_t>(s.hand_stake);
  for (int t = 1; t <= 3; ++t) m = m * 2 + (s.trick_played[static_cast<std::size_t>(t)] ? 1 : 0);
  m = m * 2 + (s.BTrucar.enabled ? 1 : 0);
  return m;
}

void HintController::BDicaClick() {
  if (!mestre_ || game_.Online()) return;
  Show(DicaForPlayer(game_.state(), *mestre_));
}

void HintController::AttachToTrucoDialog(QWidget* dialog) {
  auto* key = new QShortcut(QKeySequence(QStringLiteral("D")), dialog);
  key->setContext(Qt::WindowShortcut);
  key->setAutoRepeat(false);
  connect(key, &QShortcut::activated, this, [this, dialog] { AnswerHint(dialog); });
}

void HintController::AnswerHint(QWidget* dialog) {
  if (!mestre_ || game_.Online()) return;
  // The rung called, read off the dialog as the player sees it: its raise names the next one.
  const auto* raise = dialog->findChild<QPushButton*>(QStringLiteral("B_AUMENTA"));
  if (!raise) return;
  Rung rung = Rung::Doze;
  if (!raise->isHidden()) {
    const QString text = raise->text();
    rung = text.endsWith(QStringLiteral(" 6"))   ? Rung::Trucar
           : text.endsWith(QStringLiteral(" 9")) ? Rung::Seis
                                                 : Rung::Nove;
  }
  Show(DicaForPlayer(game_.state(), *mestre_, rung));
}

void HintController::Show(std::optional<Dica> dica) {
  shown_ = std::move(dica);
  if (!shown_) return;
  shown_moment_ = Moment();
  const QString text = QString::fromStdString(shown_->text);
  main_.ShowFootLine(text);
  emit hintShown(game_.state().hand_counter, static_cast<int>(shown_->kind), shown_->card_index,
                 shown_->hand_chance, text);
}

void HintController::Follow() {
  QPushButton* button = main_.hintButton();
  const bool offered = mestre_ && !game_.Online() && game_.deals() > 0;
  if (button->isHidden() == offered) button->setHidden(!offered);
  const bool enabled = offered && game_.state().may_play;
  if (button->isEnabled() != enabled) button->setEnabled(enabled);
  if (shown_ && Moment() != shown_moment_) {
    shown_.reset();
    main_.ShowFootLine(main_.statusText());
  }
}

}  // namespace truco
