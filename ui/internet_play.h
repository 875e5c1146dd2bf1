#pragma once
// "Internet" in the game-kind dialog: the networked game carried through a table server. The
// game above is the same networked game as "Em rede"; only the path (a broker link instead of the
// TCP connection) and the way to find the other side (the lobby window) differ.

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "net/link/broker_link.h"
#include "net/link/lobby.h"

namespace truco {
class Game;
class TF_ESCOLHA;
class TF_MESAS;
struct ConnectRequest;
namespace net {
class NetworkPlay;
}

class InternetPlay final : public QObject {
  Q_OBJECT
 public:
  // `broker_path`: the "Servidor de mesas" file; empty keeps nothing.
  InternetPlay(Game& game, net::NetworkPlay& play, TF_ESCOLHA& escolha, QString broker_path,
               QObject* parent = nullptr);
  ~InternetPlay() override;

  [[nodiscard]] net::BrokerLink& link() { return *link_; }
  [[nodiscard]] net::Lobby& lobby() { return *lobby_; }
  [[nodiscard]] TF_MESAS& lobbyWindow() { return *window_; }
  // The certificate authority to trust instead of the system's (tests).
  void SetCaFile(const QString& path);

 private:
  bool Open(const ConnectRequest& request);

  Game& game_;
  net::NetworkPlay& play_;
  TF_ESCOLHA& escolha_;
  QString broker_path_;
  std::unique_ptr<net::BrokerLink> link_;
  std::unique_ptr<net::Lobby> lobby_;
  std::unique_ptr<TF_MESAS> window_;
  QString name_;
  std::string broker_key_;  // the broker of the table being opened, for the table's resume key
};

}  // namespace truco
