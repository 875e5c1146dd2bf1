#pragma once
// One connection to an MQTT broker through libmosquitto, driven by Qt's event loop: socket
// notifiers on the client's socket, no thread of its own, and a timer only while connected, at
// the keep-alive's pace (for the pings). MQTT 5 first, 3.1.1 when the broker refuses it.
// Nagle's algorithm is off: the game is a chain of short messages and answers.
//
// libmosquitto calls back from inside its loop; those calls are queued and turned into signals
// once the loop has returned, so a handler may close or publish freely.

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/link/internet.h"

class QSocketNotifier;
struct mosquitto;
struct mosquitto_message;

namespace truco::net {

inline constexpr char kTextBrokerUnreachable[] = "Não foi possível conectar ao servidor de mesas";
inline constexpr char kTextBrokerLost[] = "A conexão com o servidor de mesas foi perdida.";

class MqttClient : public QObject {
  Q_OBJECT
 public:
  struct Will {
    std::string topic;
    std::string payload;
    bool retain = false;
  };

  explicit MqttClient(QObject* parent = nullptr);
  ~MqttClient() override;

  // Where the system's certificate authorities are unless told (tests bring their own).
  void SetCaFile(const QString& path) { ca_file_ = path; }
  // Seconds between pings when nothing else is sent (default 30).
  void SetKeepAlive(int seconds) { keep_alive_ = seconds; }

  // Starts connecting; opened() or failed() follows. False (with lastError) when it cannot start.
  bool Open(const BrokerAddress& broker, const std::string& client_id,
            const std::optional<Will>& will);
  // Leaves cleanly (the broker sends no last will). Emits nothing.
  void Close();

  // QoS 1. Payloads over kMaxPayloadBytes are refused.
  bool Publish(const std::string& topic, std::string_view payload, bool retain = false);
  bool Subscribe(const std::string& filter);

  [[nodiscard]] bool isOpen() const { return open_; }
  [[nodiscard]] int protocolVersion() const { return protocol_; }
  [[nodiscard]] QString lastError() const { return last_error_; }
  [[nodiscard]] bool pingTimerActive() const { return misc_timer_.isActive(); }
  // The client's socket while connected (tests cut it to play a vanished program), else -1.
  [[nodiscard]] int socket() const { return socket_; }

 signals:
  void opened();
  // Before opened(): the broker could not be reached or refused us.
  void failed(const QString& text);
  // After opened(): the connection to the broker is gone.
  void lost();
  // A subscription was granted (the broker sends its retained messages right after).
  void subscribed(int mid);
  void messageArrived(const std::string& topic, const std::string& payload);

 private:
  struct Event {
    enum class Kind { Connack, Disconnect, Publication, Suback } kind;
    int code = 0;
    std::string topic;
    std::string payload;
  };
  friend struct MqttCallbacks;

  bool StartConnecting(int protocol);
  void WatchSocket();
  void UnwatchSocket();
  void Pump(int what);  // 0 read, 1 write, 2 misc
  void Dispatch();
  void Fail(const QString& text);
  void Destroy();

  mosquitto* mosq_ = nullptr;
  BrokerAddress broker_;
  std::string client_id_;
  std::optional<Will> will_;
  QString ca_file_;
  int keep_alive_ = 30;
  int protocol_ = 5;
  bool open_ = false;
  int socket_ = -1;
  std::unique_ptr<QSocketNotifier> read_notifier_;
  std::unique_ptr<QSocketNotifier> write_notifier_;
  QTimer misc_timer_;
  QTimer connect_timer_;
  std::vector<Event> events_;
  bool dispatching_ = false;
  QString last_error_;
};

}  // namespace truco::net
