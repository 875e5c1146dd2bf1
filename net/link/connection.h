#pragma once
// One TCP connection between two copies of the game: the host listens, the guest connects.
// Bytes become decoded messages here; the game above sees only messages and a handful of
// events. Exactly one of disconnected() or protocolError() ends a connection that was made.
//
// The host's guest is the first connection that names itself: every connection that arrives is a
// candidate, is sent the host's greeting (its name) and counts as the guest only once its own
// "N" line arrives. A candidate that closes, resets, breaks the framing or stays silent before
// that is dropped without a word, and the host goes on listening for the real guest.
//
// While the game above awaits the peer (SetAwaitingReply), or a line has begun to arrive, a
// single-shot timer watches for silence; any traffic restarts it. No timer runs otherwise.

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>
#include <vector>

#include "net/link/link.h"
#include "net/wire/protocol.h"

class QTcpServer;
class QTcpSocket;

namespace truco::net {

inline constexpr char kTextConnectFailed[] = "Erro ao conectar com o servidor";
inline constexpr char kTextProtocolError[] =
    "O adversário enviou uma mensagem inválida. A conexão foi encerrada.";
inline constexpr char kTextConnectionLost[] = "A conexão com o adversário foi perdida.";
inline constexpr char kTextNoOwnAddress[] = "IP não encontrado";
inline constexpr char kTextPeerSilent[] = "O adversário não responde";
// How long a peer may stay silent while it is awaited before the player is told.
inline constexpr int kDefaultSilenceMs = 60000;
// How long a connection may take to name itself before the host drops it.
inline constexpr int kDefaultNamingMs = 30000;
// Connections that have not named themselves yet, at most; a further one pushes out the oldest.
inline constexpr std::size_t kMaxCandidates = 4;
// Messages a candidate may send before its name; more and it is dropped.
inline constexpr std::size_t kMaxEarlyMessages = 16;

// This computer's IPv4 address for others to connect to: the first IPv4 address of an interface
// that is up and not loopback, else the first such address of the host name's lookup, else
// kTextNoOwnAddress.
QString OwnIPv4Address();
// The choice among candidate addresses (first IPv4 that is neither loopback nor link-local).
QString ChooseOwnIPv4(const QList<QHostAddress>& candidates);

class Connection : public Link {
  Q_OBJECT
 public:
  enum class State { Idle, Listening, Connecting, Connected };

  explicit Connection(QObject* parent = nullptr);
  ~Connection() override;

  // Host: the messages sent to every connection as soon as it arrives (the host's name first).
  // Kept until changed.
  void SetGreeting(std::vector<Message> greeting) { greeting_ = std::move(greeting); }

  // Host: closes whatever was open, then listens on the port (the port rule applies). Returns
  // false, with the reason in lastError(), when the port breaks the rule (kPortRuleText) or
  // cannot be opened. `address` is where to listen: every IPv4 address unless told otherwise.
  bool Listen(const QString& port_text, const QHostAddress& address = QHostAddress::AnyIPv4);

  // Guest: closes whatever was open, then starts connecting. Returns false, with lastError(),
  // when the port breaks the rule or the address is empty. A connection that fails later is
  // reported by errorOccurred(kTextConnectFailed).
  bool ConnectTo(const QString& address, const QString& port_text);

  // Stops listening or connecting and closes the peer. Emits nothing.
  void Close() override;

  // Sends one message to the peer; false when there is no peer to send it to.
  bool Send(const Message& message) override;

  [[nodiscard]] State state() const { return state_; }
  [[nodiscard]] Side side() const { return side_; }
  [[nodiscard]] bool isConnected() const override { return state_ == State::Connected; }
  // The port listened on (host) or connected to (guest), 0 when idle.
  [[nodiscard]] quint16 port() const { return port_; }
  [[nodiscard]] QString lastError() const override { return last_error_; }

  // Give up a connection attempt that has not succeeded after this long (default 10 s).
  void setConnectTimeout(int milliseconds) { connect_timer_.setInterval(milliseconds); }
  // Drop a host's candidate that has not named itself after this long (default 30 s).
  void setNamingTimeout(int milliseconds) { naming_ms_ = milliseconds; }
  // Report a peer that stays silent this long while awaited (default 60 s).
  void setSilenceTimeout(int milliseconds) { silence_timer_.setInterval(milliseconds); }

  // The game above awaits a message from the peer (its turn, its answer, its part of the deal).
  // Turning it on starts the silence watch; turning it off stops it unless a line is half in.
  void SetAwaitingReply(bool awaiting) override;
  // After peerSilent(): the player keeps waiting, so the watch starts again.
  void KeepWaiting() override;
  [[nodiscard]] bool awaitingReply() const { return awaiting_; }
  [[nodiscard]] bool silenceWatched() const { return silence_timer_.isActive(); }
  [[nodiscard]] int silenceRemainingMs() const { return silence_timer_.remainingTime(); }
  // Host: connections that arrived and have not named themselves yet.
  [[nodiscard]] std::size_t candidates() const { return candidates_.size(); }

 signals:
  // connected, messageReceived, protocolError, disconnected, errorOccurred and peerSilent come
  // from Link.
  // Host: a connection left, or was dropped, before it named itself; the host still listens.
  void candidateGone();

 private:
  void OnNewConnection();
  void OnConnected();
  void OnReadyRead();
  void OnSocketError();
  void OnPeerDisconnected();
  void OnConnectTimeout();
  void AdoptPeer(QTcpSocket* socket);
  void DropPeer();
  void FailConnecting();
  void FailProtocol();
  void DrainLines();
  void UpdateSilenceWatch(bool restart);

  // A connection to the host that has not named itself yet.
  struct Candidate {
    QTcpSocket* socket = nullptr;
    LineFramer framer;
    std::vector<Message> early;      // decoded before the name, delivered after it
    QTimer* naming_timer = nullptr;  // deleted later: it may be the one that drops it
  };
  void OnCandidateGone(QTcpSocket* socket);
  void PeerGone();
  void OnCandidateReadyRead(QTcpSocket* socket);
  void DropCandidate(QTcpSocket* socket, bool tell = true);
  void DropAllCandidates();
  void Promote(QTcpSocket* socket);
  Candidate* FindCandidate(QTcpSocket* socket);

  QTcpServer* server_ = nullptr;
  QPointer<QTcpSocket> peer_;
  LineFramer framer_;
  QTimer connect_timer_;
  QTimer silence_timer_;
  bool awaiting_ = false;
  int naming_ms_ = kDefaultNamingMs;
  std::vector<Message> greeting_;
  std::vector<std::unique_ptr<Candidate>> candidates_;
  State state_ = State::Idle;
  Side side_ = Side::Host;
  quint16 port_ = 0;
  QString last_error_;
  // Changes whenever the peer is dropped, so a loop that emitted a signal can tell that the
  // handler closed the connection under it.
  quint64 generation_ = 0;
};

}  // namespace truco::net

Q_DECLARE_METATYPE(truco::net::Message)
