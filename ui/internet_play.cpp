#include "ui/internet_play.h"

#include <QDateTime>

#include "engine/game.h"
#include "store/broker_file.h"
#include "ui/formescolha.h"
#include "ui/formmesas.h"
#include "ui/messageboxes.h"
#include "ui/network_play.h"

namespace truco {

InternetPlay::InternetPlay(Game& game, net::NetworkPlay& play, TF_ESCOLHA& escolha,
                           QString broker_path, QObject* parent)
    : QObject(parent),
      game_(game),
      play_(play),
      escolha_(escolha),
      broker_path_(std::move(broker_path)),
      link_(std::make_unique<net::BrokerLink>()),
      lobby_(std::make_unique<net::Lobby>()),
      window_(std::make_unique<TF_MESAS>(*link_, *lobby_, &escolha)) {
  escolha_.SetBroker(ReadBrokerFile(broker_path_));
  window_->SetEntryMaker([this] {
    net::LobbyEntry entry;
    entry.host_name = name_.toStdString();
    const GameSettings& settings = game_.state().settings;
    entry.deck_type = settings.deck_type;
    entry.mode = settings.manilha_mode;
    entry.eleven_mode = settings.eleven_mode;
    entry.since = QDateTime::currentSecsSinceEpoch();
    return entry;
  });
  // The side is known only once a table is chosen: the hand learns it before the first message.
  connect(link_.get(), &net::Link::connected, this,
          [this] {
            play_.hand().Prepare(link_->side(), name_.toStdString());
            // A cut-off game goes on only at its own table on its own broker.
            play_.hand().set_table_key(broker_key_ + (link_->isPrivate()
                                                          ? " private " + link_->code()
                                                          : " public " + link_->tableId()));
          });
  // OK in the game-kind dialog: "Internet" carries the game over the broker link, "Em rede"
  // over the TCP connection; the networked game itself does not know which.
  escolha_.SetConnector([this](const ConnectRequest& request) {
    if (request.internet) {
      play_.SetLink(link_.get(), [this](const ConnectRequest& r) { return Open(r); });
    } else {
      play_.SetLink(nullptr);
    }
    return play_.Open(request);
  });
}

InternetPlay::~InternetPlay() {
  play_.SetLink(nullptr);
}

void InternetPlay::SetCaFile(const QString& path) {
  link_->SetCaFile(path);
  lobby_->SetCaFile(path);
}

bool InternetPlay::Open(const ConnectRequest& request) {
  const auto broker = net::ParseBrokerAddress(request.broker.toStdString());
  if (!broker) return false;
  if (!broker_path_.isEmpty() && request.broker != ReadBrokerFile(broker_path_)) {
    WriteBrokerFile(broker_path_, request.broker);
  }
  name_ = request.name.toUpper();
  broker_key_ = broker->host + ":" + std::to_string(broker->port) + (broker->tls ? " tls" : "");
  if (!window_->Escolhe(*broker, request.broker)) return false;
  // The host speaks first, as over TCP: its name opens the exchange.
  if (link_->side() == net::Side::Host) link_->Send(net::Name{name_.toStdString()});
  return true;
}

}  // namespace truco
