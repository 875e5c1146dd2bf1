#pragma once
// The lobby: every open public table on one broker, kept up to date while the window is open.
// Its own connection to the broker (read-only); a burst of entries redraws the list once.

#include <QObject>
#include <QString>
#include <QTimer>
#include <string>
#include <vector>

#include "net/link/internet.h"
#include "net/link/mqtt_client.h"

namespace truco::net {

class Lobby : public QObject {
  Q_OBJECT
 public:
  explicit Lobby(QObject* parent = nullptr);
  ~Lobby() override;

  void SetCaFile(const QString& path) { client_.SetCaFile(path); }
  bool Open(const BrokerAddress& broker);
  void Close();
  [[nodiscard]] bool isOpen() const { return client_.isOpen(); }
  [[nodiscard]] const std::vector<LobbyTable>& tables() const { return book_.tables(); }
  [[nodiscard]] QString lastError() const { return last_error_; }

 signals:
  void opened();
  void failed(const QString& text);
  // The list changed (at most once per kLobbyRefreshMs).
  void changed();

 private:
  MqttClient client_;
  LobbyBook book_;
  QTimer refresh_timer_;
  QString last_error_;
};

// A burst of lobby entries is shown once after this long.
inline constexpr int kLobbyRefreshMs = 100;

}  // namespace truco::net
