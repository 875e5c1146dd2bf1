#include "net/link/broker_link.h"

namespace truco::net {
namespace {

// The part of a chat line that fits `limit` bytes of encoded message, cut on a UTF-8 boundary.
std::string CutChat(Chat chat, std::size_t limit) {
  std::string line = Encode(chat);
  while (line.size() > limit && !chat.line.empty()) {
    std::size_t cut = chat.line.size() - std::min(chat.line.size(), line.size() - limit);
    while (cut > 0 && (static_cast<unsigned char>(chat.line[cut]) & 0xC0) == 0x80) --cut;
    chat.line.resize(cut);
    line = Encode(chat);
  }
  return line;
}

}  // namespace

BrokerLink::BrokerLink(QObject* parent) : Link(parent) {
  connect(&client_, &MqttClient::opened, this, &BrokerLink::OnOpened);
  connect(&client_, &MqttClient::failed, this, [this](const QString& text) { Fail(text); });
  connect(&client_, &MqttClient::lost, this, [this] {
    if (state_ == State::Connected) {
      // The peer may well be there still: the player is told which connection went.
      PeerGone(kTextBrokerLost);
    } else {
      Fail(QString::fromUtf8(kTextBrokerLost));
    }
  });
  connect(&client_, &MqttClient::subscribed, this, &BrokerLink::OnSubscribed);
  connect(&client_, &MqttClient::messageArrived, this, &BrokerLink::OnMessage);
  join_timer_.setSingleShot(true);
  connect(&join_timer_, &QTimer::timeout, this,
          [this] { Fail(QString::fromUtf8(table_seen_ ? kTextBrokerLost : kTextTableNotFound)); });
  silence_timer_.setSingleShot(true);
  silence_timer_.setTimerType(Qt::PreciseTimer);
  silence_timer_.setInterval(kDefaultSilenceMs);
  connect(&silence_timer_, &QTimer::timeout, this, &BrokerLink::peerSilent);
}

BrokerLink::~BrokerLink() {
  blockSignals(true);
  Close();
}

bool BrokerLink::HostPublic(const LobbyEntry& entry, const std::string& table_id) {
  Close();
  side_ = Side::Host;
  private_ = false;
  table_id_ = table_id;
  table_key_ = PublicTableKey(table_id_);
  code_.clear();
  entry_ = entry;
  entry_->state = EntryState::Open;
  // Vanishing clears the entry: every lobby drops the table at once.
  return OpenTable(LobbyTopic(table_id_), true, {});
}

bool BrokerLink::HostPrivate(const std::string& code) {
  Close();
  side_ = Side::Host;
  private_ = true;
  code_ = code;
  PrivateTable table = DerivePrivateTable(code);
  table_id_ = std::move(table.table_id);
  table_key_ = std::move(table.key);
  entry_ = LobbyEntry{};
  entry_->state = EntryState::Private;
  return OpenTable(HereTopic(table_id_), true, {});
}

bool BrokerLink::JoinPublic(const std::string& table_id) {
  Close();
  side_ = Side::Guest;
  private_ = false;
  if (!IsTableId(table_id)) {
    last_error_ = QString::fromUtf8(kTextTableNotFound);
    return false;
  }
  table_id_ = table_id;
  table_key_ = PublicTableKey(table_id_);
  guest_id_ = NewGuestId();
  return OpenTable(GuestTopic(table_id_, guest_id_), false, std::string(1, kFrameLeave));
}

bool BrokerLink::JoinPrivate(const std::string& typed_code) {
  Close();
  side_ = Side::Guest;
  private_ = true;
  const auto code = ReadTableCode(typed_code);
  if (!code) {
    last_error_ = QString::fromUtf8(kTextBadCode);
    return false;
  }
  code_ = *code;
  PrivateTable table = DerivePrivateTable(code_);
  table_id_ = std::move(table.table_id);
  table_key_ = std::move(table.key);
  guest_id_ = NewGuestId();
  return OpenTable(GuestTopic(table_id_, guest_id_), false, std::string(1, kFrameLeave));
}

bool BrokerLink::OpenTable(const std::string& will_topic, bool will_retain,
                           const std::string& will_payload) {
  last_error_.clear();
  rejected_ = 0;
  bad_in_row_ = 0;
  subscriptions_ = 0;
  table_seen_ = false;
  const std::string client_id = side_ == Side::Host ? table_id_ : guest_id_;
  if (!client_.Open(broker_, client_id, MqttClient::Will{will_topic, will_payload, will_retain})) {
    last_error_ = client_.lastError();
    return false;
  }
  state_ = State::Opening;
  return true;
}

void BrokerLink::Close() {
  join_timer_.stop();
  silence_timer_.stop();
  awaiting_ = false;
  if (client_.isOpen()) {
    if (side_ == Side::Host) {
      // A host that leaves clears its table: no lobby shows it, a waiting guest hears it.
      client_.Publish(private_ ? HereTopic(table_id_) : LobbyTopic(table_id_), {}, true);
    } else if (state_ == State::Connected) {
      client_.Publish(GuestTopic(table_id_, guest_id_), std::string(1, kFrameLeave));
    }
  }
  client_.Close();
  seal_.reset();
  state_ = State::Idle;
}

std::string BrokerLink::PresenceTopic() const {
  return private_ ? HereTopic(table_id_) : LobbyTopic(table_id_);
}

void BrokerLink::OnOpened() {
  if (state_ != State::Opening) return;
  if (side_ == Side::Host) {
    subscriptions_ = 1;
    client_.Subscribe(GuestFilter(table_id_));
    client_.Publish(PresenceTopic(), EncodeLobbyEntry(*entry_), true);
  } else {
    subscriptions_ = 2;
    client_.Subscribe(HostTopic(table_id_, guest_id_));
    client_.Subscribe(PresenceTopic());
    state_ = State::Joining;
  }
}

void BrokerLink::OnSubscribed() {
  if (subscriptions_ <= 0 || --subscriptions_ > 0) return;
  if (side_ == Side::Host) {
    state_ = State::Waiting;
    emit tableOpen();
  } else if (!table_seen_) {
    // The table's retained entry follows the grant at once, if the table is there.
    join_timer_.start(kFindTableMs);
  }
}

void BrokerLink::OnMessage(const std::string& topic, const std::string& payload) {
  if (side_ == Side::Host) {
    OnGuestMessage(topic, payload);
  } else {
    OnHostMessage(topic, payload);
  }
}

void BrokerLink::OnGuestMessage(const std::string& topic, const std::string& payload) {
  const auto guest = GuestOfTopic(topic, table_id_);
  if (!guest || payload.empty()) return;
  if (state_ == State::Connected && *guest == guest_id_) {
    if (payload[0] == kFrameLeave && payload.size() == 1) {
      PeerGone();
    } else {
      OnData(payload);
    }
    return;
  }
  if (payload[0] != kFrameJoin) return;
  if (state_ != State::Waiting && state_ != State::Connected) return;
  auto seal = std::make_unique<TableSeal>(TableSeal::Role::Host, table_id_, table_key_);
  if (!seal->AcceptJoin(payload)) {
    // Somebody without the code (or a broken program): not a guest, and told nothing.
    ++rejected_;
    return;
  }
  if (state_ == State::Connected) {
    // One guest per table.
    client_.Publish(HostTopic(table_id_, *guest), std::string(1, kFrameBusy));
    return;
  }
  seal_ = std::move(seal);
  guest_id_ = *guest;
  client_.Publish(HostTopic(table_id_, guest_id_), seal_->AcceptFrame());
  if (!private_) {
    // Still there for whoever watches it, but no lobby lists a taken table.
    LobbyEntry taken;
    taken.state = EntryState::Taken;
    client_.Publish(LobbyTopic(table_id_), EncodeLobbyEntry(taken), true);
  }
  state_ = State::Connected;
  emit connected();
  if (state_ == State::Connected) UpdateSilenceWatch(false);
}

void BrokerLink::OnHostMessage(const std::string& topic, const std::string& payload) {
  if (topic == PresenceTopic()) {
    if (!payload.empty()) {
      if (state_ == State::Joining && !table_seen_ && DecodeLobbyEntry(payload)) {
        table_seen_ = true;
        seal_ = std::make_unique<TableSeal>(TableSeal::Role::Guest, table_id_, table_key_);
        client_.Publish(GuestTopic(table_id_, guest_id_), seal_->JoinFrame());
        join_timer_.start(kJoinAnswerMs);
      }
      return;
    }
    // The entry was cleared: the host left or vanished.
    if (state_ == State::Connected) {
      PeerGone();
    } else if (state_ == State::Joining && table_seen_) {
      Fail(QString::fromUtf8(kTextTableNotFound));
    }
    return;
  }
  if (topic != HostTopic(table_id_, guest_id_) || payload.empty() || !seal_) return;
  if (state_ == State::Connected) {
    OnData(payload);
    return;
  }
  if (state_ != State::Joining) return;
  if (payload.size() == 1 && payload[0] == kFrameBusy) {
    Fail(QString::fromUtf8(kTextTableBusy));
    return;
  }
  if (!seal_->Accepted(payload)) {
    ++rejected_;
    return;
  }
  join_timer_.stop();
  state_ = State::Connected;
  emit connected();
  if (state_ == State::Connected) UpdateSilenceWatch(false);
}

void BrokerLink::OnData(const std::string& payload) {
  const std::optional<std::string> line = seal_ ? seal_->Open(payload) : std::nullopt;
  if (!line) {
    ++rejected_;
    if (++bad_in_row_ >= kMaxBadInARow) {
      Close();
      last_error_ = QString::fromUtf8(kTextTampered);
      emit protocolError(last_error_);
    }
    return;
  }
  bad_in_row_ = 0;
  if (line->size() > kMaxLineBytes || line->find(kLineFeed) != std::string::npos) {
    // Sealed by the peer itself, so the peer broke the protocol.
    Close();
    last_error_ = QString::fromUtf8(kTextProtocolError);
    emit protocolError(last_error_);
    return;
  }
  UpdateSilenceWatch(true);
  if (auto message = Decode(*line, side_)) emit messageReceived(*message);
}

bool BrokerLink::Send(const Message& message) {
  if (state_ != State::Connected || !seal_) return false;
  const std::size_t limit = kMaxPayloadBytes - TableSeal::Overhead();
  std::string line;
  if (const auto* chat = std::get_if<Chat>(&message)) {
    line = CutChat(*chat, limit);
  } else {
    line = Encode(message);
  }
  if (line.size() > limit) return false;
  return client_.Publish(
      side_ == Side::Host ? HostTopic(table_id_, guest_id_) : GuestTopic(table_id_, guest_id_),
      seal_->Seal(line));
}

void BrokerLink::Fail(const QString& text) {
  const State was = state_;
  Close();
  last_error_ = text;
  if (was == State::Idle) return;
  emit errorOccurred(text);
}

void BrokerLink::PeerGone(const char* text) {
  Close();
  last_error_ = QString::fromUtf8(text);
  emit disconnected();
}

void BrokerLink::SetAwaitingReply(bool awaiting) {
  if (awaiting == awaiting_) return;
  awaiting_ = awaiting;
  UpdateSilenceWatch(awaiting);
}

void BrokerLink::KeepWaiting() {
  UpdateSilenceWatch(true);
}

void BrokerLink::UpdateSilenceWatch(bool restart) {
  if (state_ != State::Connected || !awaiting_) {
    silence_timer_.stop();
  } else if (restart || !silence_timer_.isActive()) {
    silence_timer_.start();
  }
}

}  // namespace truco::net
