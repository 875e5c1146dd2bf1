#pragma once
// The path to the peer through an MQTT broker (a "servidor de mesas"): both programs connect out,
// so nobody opens a port at home. The host opens a table (public: listed in every lobby; private:
// found by its code), one guest joins it, and from then on the game's messages travel as over
// TCP, one message per publication, QoS 1, in order, each sealed end to end (net/link/internet.h).
//
// Presence: the host's last will clears its table's retained entry, which the guest watches; the
// guest's last will tells the host it left. Either way the other side gets disconnected().
// docs/internet.md has the topics and the frames.

#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "net/link/connection.h"
#include "net/link/internet.h"
#include "net/link/link.h"
#include "net/link/mqtt_client.h"

namespace truco::net {

inline constexpr char kTextTableBusy[] = "Mesa ocupada";
inline constexpr char kTextTableNotFound[] = "Mesa não encontrada";
inline constexpr char kTextBadCode[] =
    "O código da mesa tem 8 letras e números, por exemplo K7PX-Q3MD";
inline constexpr char kTextTampered[] =
    "Mensagens adulteradas chegaram em nome do adversário. A conexão foi encerrada.";
inline constexpr char kTextPublicTable[] =
    "Numa mesa pública a partida é protegida dos outros jogadores, mas não de quem mantém o "
    "servidor de mesas. Para jogar só com um amigo, crie uma mesa privada.";
// How long a joining guest waits for the table's entry, then for the host's answer.
inline constexpr int kFindTableMs = 3000;
inline constexpr int kJoinAnswerMs = 10000;

class BrokerLink : public Link {
  Q_OBJECT
 public:
  enum class State { Idle, Opening, Waiting, Joining, Connected };

  explicit BrokerLink(QObject* parent = nullptr);
  ~BrokerLink() override;

  void SetBroker(const BrokerAddress& broker) { broker_ = broker; }
  // The certificate authority to trust instead of the system's (tests, a group's own CA).
  void SetCaFile(const QString& path) { client_.SetCaFile(path); }

  // Host: opens a public table listed with `entry` (kept id: the same table again, for a resume).
  bool HostPublic(const LobbyEntry& entry, const std::string& table_id = NewTableId());
  // Host: opens a private table for this code (NewTableCode()).
  bool HostPrivate(const std::string& code);
  // Guest: joins the public table with this id, or the private table of a typed code.
  bool JoinPublic(const std::string& table_id);
  bool JoinPrivate(const std::string& typed_code);

  bool Send(const Message& message) override;
  void Close() override;
  [[nodiscard]] bool isConnected() const override { return state_ == State::Connected; }
  [[nodiscard]] QString lastError() const override { return last_error_; }
  void SetAwaitingReply(bool awaiting) override;
  void KeepWaiting() override;
  [[nodiscard]] QString lostText() const override { return last_error_; }

  [[nodiscard]] State state() const { return state_; }
  [[nodiscard]] Side side() const { return side_; }
  [[nodiscard]] const std::string& tableId() const { return table_id_; }
  [[nodiscard]] const std::string& code() const { return code_; }
  [[nodiscard]] bool isPrivate() const { return private_; }
  // Publications from the peer's topic that failed authentication, since the table opened.
  [[nodiscard]] int rejected() const { return rejected_; }
  [[nodiscard]] MqttClient& client() { return client_; }
  void setSilenceTimeout(int milliseconds) { silence_timer_.setInterval(milliseconds); }
  [[nodiscard]] bool silenceWatched() const { return silence_timer_.isActive(); }

 signals:
  // Host: the table is open and waits for its guest.
  void tableOpen();

 private:
  bool OpenTable(const std::string& will_topic, bool will_retain, const std::string& will_payload);
  void OnOpened();
  void OnSubscribed();
  void OnMessage(const std::string& topic, const std::string& payload);
  void OnHostMessage(const std::string& topic, const std::string& payload);
  void OnGuestMessage(const std::string& topic, const std::string& payload);
  void OnData(const std::string& payload);
  void Fail(const QString& text);
  void PeerGone(const char* text = kTextConnectionLost);
  [[nodiscard]] std::string PresenceTopic() const;
  void UpdateSilenceWatch(bool restart);

  MqttClient client_;
  BrokerAddress broker_;
  State state_ = State::Idle;
  Side side_ = Side::Host;
  bool private_ = false;
  std::string table_id_;
  std::string table_key_;
  std::string code_;
  std::string guest_id_;
  std::optional<LobbyEntry> entry_;
  std::unique_ptr<TableSeal> seal_;
  int subscriptions_ = 0;
  bool table_seen_ = false;
  int rejected_ = 0;
  int bad_in_row_ = 0;
  bool awaiting_ = false;
  QTimer join_timer_;
  QTimer silence_timer_;
  QString last_error_;
};

}  // namespace truco::net
