#include <QApplication>

#include "engine/game.h"
#include "engine/random.h"
#include "net/network_play.h"
#include "opponent/computer.h"
#include "ui/card.h"
#include "ui/formescolha.h"
#include "ui/formmain.h"
#include "ui/formtruco.h"
#include "ui/windowscreen.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Truco"));
  QApplication::setApplicationDisplayName(QStringLiteral("Truco"));

  // One source of chance for the whole run: every deal and every card control reseed it.
  truco::ClockRandom random;
  truco::TCard::SetRandomSource(&random);
  truco::ComputerJudgement judgement;
  truco::WindowScreen screen;
  truco::Game game(screen, random, judgement);

  // The windows in their start-up order; each lives for the whole run.
  truco::TFormMain main_window(game, screen);
  screen.SetMainWindow(&main_window);
  // TODO(lead): records, about, rules, manilhas, settings, name, deck types, colours windows
  // here; connect main_window's *Requested signals and screen.SetRecordSink.
  truco::TFormTruco truco_dialog;
  screen.SetTrucoDialog(&truco_dialog);
  // TODO(lead): phrases window here (it loads game.mutable_state().truco_phrases).
  truco::TF_ESCOLHA escolha_dialog;
  screen.SetEscolhaDialog(&escolha_dialog);
  // The connection, the waiting dialog and the networked hand, wired to the windows above.
  const auto network =
      truco::net::WireNetworkPlay(game, main_window, escolha_dialog, screen, random);

  main_window.show();
  return QApplication::exec();
}
