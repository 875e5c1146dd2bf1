#include "net/connection.h"

#include <QHostInfo>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>

namespace truco::net {
namespace {

constexpr int kDefaultConnectTimeoutMs = 10000;
// Read in slices so a flood of bytes without line feeds fails at the limit instead of piling up.
constexpr qint64 kReadSlice = 64 * 1024;

}  // namespace

QString ChooseOwnIPv4(const QList<QHostAddress>& candidates) {
  for (const QHostAddress& address : candidates) {
    if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback() &&
        !address.isLinkLocal()) {
      return address.toString();
    }
  }
  return {};
}

QString OwnIPv4Address() {
  QList<QHostAddress> candidates;
  const auto wanted = QNetworkInterface::IsUp | QNetworkInterface::IsRunning;
  for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
    if ((interface.flags() & wanted) != wanted ||
        interface.flags().testFlag(QNetworkInterface::IsLoopBack)) {
      continue;
    }
    for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
      candidates << entry.ip();
    }
  }
  QString own = ChooseOwnIPv4(candidates);
  if (own.isEmpty())
    own = ChooseOwnIPv4(QHostInfo::fromName(QHostInfo::localHostName()).addresses());
  return own.isEmpty() ? QString::fromUtf8(kTextNoOwnAddress) : own;
}

Connection::Connection(QObject* parent) : QObject(parent), server_(new QTcpServer(this)) {
  connect(server_, &QTcpServer::newConnection, this, &Connection::OnNewConnection);
  connect_timer_.setSingleShot(true);
  connect_timer_.setInterval(kDefaultConnectTimeoutMs);
  connect(&connect_timer_, &QTimer::timeout, this, &Connection::OnConnectTimeout);
}

Connection::~Connection() {
  // Tear down quietly: nobody is listening to a connection that is going away.
  blockSignals(true);
  Close();
}

bool Connection::Listen(const QString& port_text, const QHostAddress& address) {
  Close();
  side_ = Side::Host;
  last_error_.clear();
  const auto port = ParsePort(port_text.toStdString());
  if (!port) {
    last_error_ = QString::fromUtf8(kPortRuleText.data(), qsizetype(kPortRuleText.size()));
    return false;
  }
  if (!server_->listen(address, *port)) {
    last_error_ = QStringLiteral("Não foi possível usar a porta %1: %2")
                      .arg(*port)
                      .arg(server_->errorString());
    return false;
  }
  port_ = *port;
  state_ = State::Listening;
  return true;
}

bool Connection::ConnectTo(const QString& address, const QString& port_text) {
  Close();
  side_ = Side::Guest;
  last_error_.clear();
  const auto port = ParsePort(port_text.toStdString());
  if (!port) {
    last_error_ = QString::fromUtf8(kPortRuleText.data(), qsizetype(kPortRuleText.size()));
    return false;
  }
  const QString host = address.trimmed();
  if (host.isEmpty()) {
    last_error_ = QString::fromUtf8(kTextConnectFailed);
    return false;
  }
  auto* socket = new QTcpSocket(this);
  peer_ = socket;
  framer_.Reset();
  connect(socket, &QTcpSocket::connected, this, &Connection::OnConnected);
  connect(socket, &QTcpSocket::readyRead, this, &Connection::OnReadyRead);
  connect(socket, &QTcpSocket::disconnected, this, &Connection::OnPeerDisconnected);
  connect(socket, &QTcpSocket::errorOccurred, this, &Connection::OnSocketError);
  port_ = *port;
  state_ = State::Connecting;
  connect_timer_.start();
  socket->connectToHost(host, *port);
  return true;
}

void Connection::Close() {
  connect_timer_.stop();
  DropPeer();
  if (server_->isListening()) server_->close();
  state_ = State::Idle;
  port_ = 0;
}

bool Connection::Send(const Message& message) {
  if (state_ != State::Connected || !peer_) return false;
  const std::string line = EncodeLine(message);
  return peer_->write(line.data(), qint64(line.size())) == qint64(line.size());
}

void Connection::OnNewConnection() {
  bool adopted = false;
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    if (state_ == State::Listening && !peer_) {
      AdoptPeer(socket);
      adopted = true;
    } else {
      // One guest per game: later ones are turned away at once.
      socket->abort();
      socket->deleteLater();
    }
  }
  if (!adopted) return;
  const quint64 generation = generation_;
  emit connected();
  // Bytes the guest sent right after connecting are not lost if no further readyRead comes.
  if (generation == generation_ && peer_ && peer_->bytesAvailable() > 0) OnReadyRead();
}

void Connection::AdoptPeer(QTcpSocket* socket) {
  peer_ = socket;
  // The deal is a chain of short requests and answers: Nagle's wait would stall every step.
  socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  framer_.Reset();
  connect(socket, &QTcpSocket::readyRead, this, &Connection::OnReadyRead);
  connect(socket, &QTcpSocket::disconnected, this, &Connection::OnPeerDisconnected);
  connect(socket, &QTcpSocket::errorOccurred, this, &Connection::OnSocketError);
  state_ = State::Connected;
}

void Connection::OnConnected() {
  if (state_ != State::Connecting) return;
  connect_timer_.stop();
  state_ = State::Connected;
  if (peer_) peer_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  const quint64 generation = generation_;
  emit connected();
  if (generation == generation_ && peer_ && peer_->bytesAvailable() > 0) OnReadyRead();
}

void Connection::OnReadyRead() {
  const quint64 generation = generation_;
  while (generation == generation_ && peer_ && peer_->bytesAvailable() > 0) {
    const QByteArray slice = peer_->read(kReadSlice);
    framer_.Feed(std::string_view(slice.constData(), std::size_t(slice.size())));
    DrainLines();
  }
}

void Connection::DrainLines() {
  const quint64 generation = generation_;
  std::string line;
  while (generation == generation_ && peer_) {
    switch (framer_.Next(line)) {
      case LineFramer::Status::NeedMore:
        return;
      case LineFramer::Status::TooLong:
        FailProtocol();
        return;
      case LineFramer::Status::Line:
        if (auto message = Decode(line, side_)) emit messageReceived(*message);
        break;
    }
  }
}

void Connection::OnSocketError() {
  if (sender() != peer_.data()) return;
  if (state_ == State::Connecting) {
    FailConnecting();
  } else if (state_ == State::Connected) {
    OnPeerDisconnected();
  }
}

void Connection::OnPeerDisconnected() {
  if (state_ != State::Connected || sender() != peer_.data()) return;
  // Lines that arrived together with the close still count.
  const quint64 generation = generation_;
  if (peer_->bytesAvailable() > 0) OnReadyRead();
  if (generation != generation_) return;
  Close();
  emit disconnected();
}

void Connection::OnConnectTimeout() {
  if (state_ == State::Connecting) FailConnecting();
}

void Connection::FailConnecting() {
  Close();
  last_error_ = QString::fromUtf8(kTextConnectFailed);
  emit errorOccurred(last_error_);
}

void Connection::FailProtocol() {
  Close();
  last_error_ = QString::fromUtf8(kTextProtocolError);
  emit protocolError(last_error_);
}

void Connection::DropPeer() {
  if (!peer_) return;
  ++generation_;
  QTcpSocket* socket = peer_.data();
  peer_ = nullptr;
  socket->disconnect(this);
  socket->abort();
  socket->deleteLater();
}

}  // namespace truco::net
