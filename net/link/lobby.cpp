#include "net/link/lobby.h"

#include <QDateTime>

namespace truco::net {

Lobby::Lobby(QObject* parent) : QObject(parent) {
  refresh_timer_.setSingleShot(true);
  refresh_timer_.setInterval(kLobbyRefreshMs);
  connect(&refresh_timer_, &QTimer::timeout, this, &Lobby::changed);
  connect(&client_, &MqttClient::opened, this, [this] {
    client_.Subscribe(LobbyFilter());
    emit opened();
  });
  connect(&client_, &MqttClient::failed, this, [this](const QString& text) {
    last_error_ = text;
    emit failed(text);
  });
  connect(&client_, &MqttClient::lost, this, [this] {
    last_error_ = QString::fromUtf8(kTextBrokerLost);
    book_.Clear();
    emit changed();
    emit failed(last_error_);
  });
  connect(&client_, &MqttClient::messageArrived, this,
          [this](const std::string& topic, const std::string& payload) {
            if (book_.Apply(topic, payload, QDateTime::currentSecsSinceEpoch()) &&
                !refresh_timer_.isActive()) {
              refresh_timer_.start();
            }
            if (book_.wantsRefill()) {
              // A table left out for want of room may fit now: subscribing again makes the
              // broker send every retained entry anew.
              book_.RefillAsked();
              client_.Subscribe(LobbyFilter());
            }
          });
}

Lobby::~Lobby() = default;

bool Lobby::Open(const BrokerAddress& broker) {
  book_.Clear();
  last_error_.clear();
  if (!client_.Open(broker, NewGuestId(), std::nullopt)) {
    last_error_ = client_.lastError();
    return false;
  }
  return true;
}

void Lobby::Close() {
  refresh_timer_.stop();
  client_.Close();
  book_.Clear();
}

}  // namespace truco::net
