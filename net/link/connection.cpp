#include "net/link/connection.h"

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

Connection::Connection(QObject* parent) : Link(parent), server_(new QTcpServer(this)) {
  connect(server_, &QTcpServer::newConnection, this, &Connection::OnNewConnection);
  connect_timer_.setSingleShot(true);
  connect_timer_.setInterval(kDefaultConnectTimeoutMs);
  connect(&connect_timer_, &QTimer::timeout, this, &Connection::OnConnectTimeout);
  silence_timer_.setSingleShot(true);
  // One shot a minute: precision costs nothing and keeps the told time honest.
  silence_timer_.setTimerType(Qt::PreciseTimer);
  silence_timer_.setInterval(kDefaultSilenceMs);
  connect(&silence_timer_, &QTimer::timeout, this, &Connection::peerSilent);
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
  // What was sent last (a caught cheat's "W") goes out before the socket is dropped.
  if (peer_) peer_->flush();
  connect_timer_.stop();
  silence_timer_.stop();
  awaiting_ = false;
  DropAllCandidates();
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
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    if (state_ != State::Listening || peer_) {
      // One guest per game: later ones are turned away at once.
      socket->abort();
      socket->deleteLater();
      continue;
    }
    // A crowd of connections that never name themselves must not lock the real guest out.
    if (candidates_.size() >= kMaxCandidates) DropCandidate(candidates_.front()->socket);
    auto candidate = std::make_unique<Candidate>();
    candidate->socket = socket;
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    candidate->naming_timer = new QTimer(this);
    candidate->naming_timer->setSingleShot(true);
    candidate->naming_timer->setInterval(naming_ms_);
    connect(candidate->naming_timer, &QTimer::timeout, this,
            [this, socket] { DropCandidate(socket); });
    candidate->naming_timer->start();
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnCandidateReadyRead(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { OnCandidateGone(socket); });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] { OnCandidateGone(socket); });
    candidates_.push_back(std::move(candidate));
    for (const Message& message : greeting_) {
      const std::string line = EncodeLine(message);
      socket->write(line.data(), qint64(line.size()));
    }
    if (socket->bytesAvailable() > 0) OnCandidateReadyRead(socket);
    // Naming itself may have ended the listening (the guest is there).
    if (state_ != State::Listening) break;
  }
}

void Connection::OnCandidateGone(QTcpSocket* socket) {
  // Whatever it said before it left still counts: it may have named itself.
  if (socket->bytesAvailable() > 0) OnCandidateReadyRead(socket);
  if (peer_ == socket) {
    // It became the guest and left in the same breath.
    PeerGone();
    return;
  }
  DropCandidate(socket);
}

Connection::Candidate* Connection::FindCandidate(QTcpSocket* socket) {
  for (const auto& candidate : candidates_) {
    if (candidate->socket == socket) return candidate.get();
  }
  return nullptr;
}

void Connection::OnCandidateReadyRead(QTcpSocket* socket) {
  Candidate* candidate = FindCandidate(socket);
  if (!candidate) return;
  while (socket->bytesAvailable() > 0) {
    const QByteArray slice = socket->read(kReadSlice);
    candidate->framer.Feed(std::string_view(slice.constData(), std::size_t(slice.size())));
    std::string line;
    for (;;) {
      const LineFramer::Status status = candidate->framer.Next(line);
      if (status == LineFramer::Status::NeedMore) break;
      if (status == LineFramer::Status::TooLong) {
        DropCandidate(socket);
        return;
      }
      auto message = Decode(line, Side::Host);
      if (!message) continue;
      if (std::holds_alternative<Name>(*message)) {
        candidate->early.push_back(std::move(*message));
        Promote(socket);
        return;
      }
      if (candidate->early.size() >= kMaxEarlyMessages) {
        DropCandidate(socket);
        return;
      }
      candidate->early.push_back(std::move(*message));
    }
  }
}

void Connection::Promote(QTcpSocket* socket) {
  std::unique_ptr<Candidate> chosen;
  for (auto it = candidates_.begin(); it != candidates_.end(); ++it) {
    if ((*it)->socket == socket) {
      chosen = std::move(*it);
      candidates_.erase(it);
      break;
    }
  }
  if (!chosen) return;
  chosen->naming_timer->stop();
  chosen->naming_timer->deleteLater();
  DropAllCandidates();
  socket->disconnect(this);
  AdoptPeer(socket);
  // The lines that followed the name in the same read are not lost.
  framer_ = std::move(chosen->framer);
  const std::vector<Message> early = std::move(chosen->early);
  chosen.reset();
  const quint64 generation = generation_;
  emit connected();
  for (const Message& message : early) {
    if (generation != generation_) return;
    emit messageReceived(message);
  }
  if (generation != generation_) return;
  DrainLines();
  if (generation == generation_ && peer_ && peer_->bytesAvailable() > 0) OnReadyRead();
  if (generation == generation_) UpdateSilenceWatch(false);
}

void Connection::DropCandidate(QTcpSocket* socket, bool tell) {
  for (auto it = candidates_.begin(); it != candidates_.end(); ++it) {
    if ((*it)->socket != socket) continue;
    std::unique_ptr<Candidate> gone = std::move(*it);
    candidates_.erase(it);
    gone->naming_timer->stop();
    gone->naming_timer->deleteLater();
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    if (tell) emit candidateGone();
    return;
  }
}

void Connection::DropAllCandidates() {
  // Closing, or the guest is there: the others are turned away, which is no news.
  while (!candidates_.empty()) DropCandidate(candidates_.back()->socket, false);
}

void Connection::AdoptPeer(QTcpSocket* socket) {
  peer_ = socket;
  // The deal is a chain of short requests and answers: Nagle's wait would stall every step.
  socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
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
  framer_.Reset();
  const quint64 generation = generation_;
  emit connected();
  if (generation == generation_ && peer_ && peer_->bytesAvailable() > 0) OnReadyRead();
  if (generation == generation_) UpdateSilenceWatch(false);
}

void Connection::OnReadyRead() {
  const quint64 generation = generation_;
  bool any = false;
  while (generation == generation_ && peer_ && peer_->bytesAvailable() > 0) {
    const QByteArray slice = peer_->read(kReadSlice);
    any = any || !slice.isEmpty();
    framer_.Feed(std::string_view(slice.constData(), std::size_t(slice.size())));
    DrainLines();
  }
  // The peer spoke: the silence watch starts over, if it is still wanted.
  if (generation == generation_ && any) UpdateSilenceWatch(true);
}

void Connection::SetAwaitingReply(bool awaiting) {
  if (awaiting == awaiting_) return;
  awaiting_ = awaiting;
  UpdateSilenceWatch(awaiting);
}

void Connection::KeepWaiting() {
  UpdateSilenceWatch(true);
}

void Connection::UpdateSilenceWatch(bool restart) {
  const bool wanted = state_ == State::Connected && (awaiting_ || framer_.Pending() > 0);
  if (!wanted) {
    silence_timer_.stop();
  } else if (restart || !silence_timer_.isActive()) {
    silence_timer_.start();
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
  PeerGone();
}

void Connection::PeerGone() {
  if (state_ != State::Connected || !peer_) return;
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
