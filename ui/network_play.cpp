#include "ui/network_play.h"

#include "engine/game.h"
#include "ui/formescolha.h"
#include "ui/formmain.h"
#include "ui/messageboxes.h"

namespace truco::net {

NetworkPlay::NetworkPlay(Game& game, RandomSource& random, TFormMain& main_window,
                         TF_ESCOLHA& escolha, Screen& screen, QObject* parent)
    : QObject(parent),
      game_(game),
      screen_(screen),
      main_(main_window),
      wait_(std::make_unique<TF_AGUARDE>()),
      hand_(game, random, *this) {
  game.set_networked_play(&hand_);
  escolha.SetConnector([this](const ConnectRequest& request) { return Open(request); });
  connect(&connection_, &Connection::messageReceived, this,
          [this](const Message& message) { hand_.Receive(message); });
  connect(&connection_, &Connection::disconnected, this,
          [this] { hand_.ConnectionLost(kTextConnectionLost); });
  connect(&connection_, &Connection::protocolError, this,
          [this](const QString& text) { hand_.ConnectionLost(text.toStdString()); });
  connect(&main_, &TFormMain::chatLineEntered, this,
          [this](const QString& line) { hand_.SendChat(line.toStdString()); });
}

NetworkPlay::~NetworkPlay() {
  // The game may outlive this: leave it no pointer to a hand that is gone.
  game_.set_networked_play(nullptr);
  connection_.disconnect(this);
}

bool NetworkPlay::Open(const ConnectRequest& request) {
  const Side side = request.host ? Side::Host : Side::Guest;
  const QString name = request.name.toUpper();
  // A second start closes the old connection (Listen / ConnectTo do) and forgets its hand.
  hand_.Prepare(side, name.toStdString());
  switch (AbreConexao(*wait_, connection_, side, request.port, request.address, name, listen_on_)) {
    case OpenResult::Connected:
      return true;
    case OpenResult::Refused:
      Mensagem({connection_.lastError()}, kMensagemInformacao);
      return false;
    case OpenResult::Cancelled:
      return false;
  }
  return false;
}

bool NetworkPlay::Send(const Message& message) {
  return connection_.Send(message);
}

void NetworkPlay::SetMessagePanel(const std::string& text) {
  main_.SetMessagePanel(QString::fromStdString(text));
}

void NetworkPlay::SetOpponentName(const std::string& name) {
  main_.SetOpponentName(QString::fromStdString(name));
}

void NetworkPlay::AppendChat(const std::string& line) {
  main_.AppendChat(QString::fromStdString(line));
}

void NetworkPlay::Tell(const std::string& text) {
  screen_.MOSTRA_MENSAGEM(text, kMostraInformacao);
}

void NetworkPlay::TableChanged() {
  main_.refresh();
}

std::unique_ptr<NetworkPlay> WireNetworkPlay(Game& game, TFormMain& main_window,
                                             TF_ESCOLHA& escolha, Screen& screen,
                                             RandomSource& random) {
  return std::make_unique<NetworkPlay>(game, random, main_window, escolha, screen);
}

}  // namespace truco::net
