#pragma once
// One TCP connection between two copies of the game: the host listens, the guest connects.
// Bytes become decoded messages here; the game above sees only messages and a handful of
// events. Exactly one of disconnected() or protocolError() ends a connection that was made.

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include "net/protocol.h"

class QTcpServer;
class QTcpSocket;

namespace truco::net {

inline constexpr char kTextConnectFailed[] = "Erro ao conectar com o servidor";
inline constexpr char kTextProtocolError[] =
    "O adversário enviou uma mensagem inválida. A conexão foi encerrada.";
inline constexpr char kTextConnectionLost[] = "A conexão com o adversário foi perdida.";
inline constexpr char kTextNoOwnAddress[] = "IP não encontrado";

// This computer's IPv4 address for others to connect to: the first IPv4 address of an interface
// that is up and not loopback, else the first such address of the host name's lookup, else
// kTextNoOwnAddress.
QString OwnIPv4Address();
// The choice among candidate addresses (first IPv4 that is neither loopback nor link-local).
QString ChooseOwnIPv4(const QList<QHostAddress>& candidates);

class Connection : public QObject {
  Q_OBJECT
 public:
  enum class State { Idle, Listening, Connecting, Connected };

  explicit Connection(QObject* parent = nullptr);
  ~Connection() override;

  // Host: closes whatever was open, then listens on the port (the port rule applies). Returns
  // false, with the reason in lastError(), when the port breaks the rule (kPortRuleText) or
  // cannot be opened. `address` is where to listen: every IPv4 address unless told otherwise.
  bool Listen(const QString& port_text, const QHostAddress& address = QHostAddress::AnyIPv4);

  // Guest: closes whatever was open, then starts connecting. Returns false, with lastError(),
  // when the port breaks the rule or the address is empty. A connection that fails later is
  // reported by errorOccurred(kTextConnectFailed).
  bool ConnectTo(const QString& address, const QString& port_text);

  // Stops listening or connecting and closes the peer. Emits nothing.
  void Close();

  // Sends one message to the peer; false when there is no peer to send it to.
  bool Send(const Message& message);

  [[nodiscard]] State state() const { return state_; }
  [[nodiscard]] Side side() const { return side_; }
  [[nodiscard]] bool isConnected() const { return state_ == State::Connected; }
  // The port listened on (host) or connected to (guest), 0 when idle.
  [[nodiscard]] quint16 port() const { return port_; }
  [[nodiscard]] QString lastError() const { return last_error_; }

  // Give up a connection attempt that has not succeeded after this long (default 10 s).
  void setConnectTimeout(int milliseconds) { connect_timer_.setInterval(milliseconds); }

 signals:
  // The host accepted its guest, or the guest reached the host.
  void connected();
  // A message the peer sent, decoded for this side; lines this side does not accept never come.
  void messageReceived(const truco::net::Message& message);
  // The peer broke the framing (a line over the limit); the connection is already closed.
  void protocolError(const QString& text);
  // The peer went away after the connection was made; everything is already closed.
  void disconnected();
  // The guest's connection attempt failed (text kTextConnectFailed); everything is closed.
  void errorOccurred(const QString& text);

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

  QTcpServer* server_ = nullptr;
  QPointer<QTcpSocket> peer_;
  LineFramer framer_;
  QTimer connect_timer_;
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
