#include "net/link/mqtt_client.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <poll.h>

#include <QFileInfo>
#include <QPointer>
#include <QSocketNotifier>

#include "store/shared_library.h"

namespace truco::net {
namespace {

constexpr int kConnectTimeoutMs = 10000;
constexpr char kSystemCaPath[] = "/etc/ssl/certs";
// Packets read in one go before the event loop gets its turn again.
constexpr int kMaxPacketsPerRead = 64;
constexpr char kMosquittoLibrary[] = "libmosquitto.so.1";

bool MoreToRead(int socket) {
  if (socket < 0) return false;
  pollfd ready{socket, POLLIN, 0};
  return ::poll(&ready, 1, 0) > 0 && (ready.revents & POLLIN) != 0;
}

// libmosquitto, and OpenSSL with it (1.8 MB resident once mapped), is opened by the first client:
// a player who never plays over the internet never maps it.
struct Mosquitto {
  decltype(&::mosquitto_connect_async) mosquitto_connect_async = nullptr;
  decltype(&::mosquitto_connect_v5_callback_set) mosquitto_connect_v5_callback_set = nullptr;
  decltype(&::mosquitto_destroy) mosquitto_destroy = nullptr;
  decltype(&::mosquitto_disconnect) mosquitto_disconnect = nullptr;
  decltype(&::mosquitto_disconnect_v5_callback_set) mosquitto_disconnect_v5_callback_set = nullptr;
  decltype(&::mosquitto_int_option) mosquitto_int_option = nullptr;
  decltype(&::mosquitto_lib_init) mosquitto_lib_init = nullptr;
  decltype(&::mosquitto_loop_misc) mosquitto_loop_misc = nullptr;
  decltype(&::mosquitto_loop_read) mosquitto_loop_read = nullptr;
  decltype(&::mosquitto_loop_write) mosquitto_loop_write = nullptr;
  decltype(&::mosquitto_message_v5_callback_set) mosquitto_message_v5_callback_set = nullptr;
  decltype(&::mosquitto_new) mosquitto_new = nullptr;
  decltype(&::mosquitto_publish) mosquitto_publish = nullptr;
  decltype(&::mosquitto_socket) mosquitto_socket = nullptr;
  decltype(&::mosquitto_subscribe) mosquitto_subscribe = nullptr;
  decltype(&::mosquitto_subscribe_v5_callback_set) mosquitto_subscribe_v5_callback_set = nullptr;
  decltype(&::mosquitto_tls_insecure_set) mosquitto_tls_insecure_set = nullptr;
  decltype(&::mosquitto_tls_opts_set) mosquitto_tls_opts_set = nullptr;
  decltype(&::mosquitto_tls_set) mosquitto_tls_set = nullptr;
  decltype(&::mosquitto_want_write) mosquitto_want_write = nullptr;
  decltype(&::mosquitto_will_set) mosquitto_will_set = nullptr;
  bool loaded = false;
};

const Mosquitto& Library() {
  static const Mosquitto library = [] {
    Mosquitto lib;
    SharedLibrary so(kMosquittoLibrary);
    so.KeepOpen();  // clients live until the program ends
    so.Find(lib.mosquitto_connect_async, "mosquitto_connect_async");
    so.Find(lib.mosquitto_connect_v5_callback_set, "mosquitto_connect_v5_callback_set");
    so.Find(lib.mosquitto_destroy, "mosquitto_destroy");
    so.Find(lib.mosquitto_disconnect, "mosquitto_disconnect");
    so.Find(lib.mosquitto_disconnect_v5_callback_set, "mosquitto_disconnect_v5_callback_set");
    so.Find(lib.mosquitto_int_option, "mosquitto_int_option");
    so.Find(lib.mosquitto_lib_init, "mosquitto_lib_init");
    so.Find(lib.mosquitto_loop_misc, "mosquitto_loop_misc");
    so.Find(lib.mosquitto_loop_read, "mosquitto_loop_read");
    so.Find(lib.mosquitto_loop_write, "mosquitto_loop_write");
    so.Find(lib.mosquitto_message_v5_callback_set, "mosquitto_message_v5_callback_set");
    so.Find(lib.mosquitto_new, "mosquitto_new");
    so.Find(lib.mosquitto_publish, "mosquitto_publish");
    so.Find(lib.mosquitto_socket, "mosquitto_socket");
    so.Find(lib.mosquitto_subscribe, "mosquitto_subscribe");
    so.Find(lib.mosquitto_subscribe_v5_callback_set, "mosquitto_subscribe_v5_callback_set");
    so.Find(lib.mosquitto_tls_insecure_set, "mosquitto_tls_insecure_set");
    so.Find(lib.mosquitto_tls_opts_set, "mosquitto_tls_opts_set");
    so.Find(lib.mosquitto_tls_set, "mosquitto_tls_set");
    so.Find(lib.mosquitto_want_write, "mosquitto_want_write");
    so.Find(lib.mosquitto_will_set, "mosquitto_will_set");
    if (!so.complete()) return Mosquitto{};
    lib.mosquitto_lib_init();
    lib.loaded = true;
    return lib;
  }();
  return library;
}

}  // namespace

// libmosquitto's callbacks only queue what happened; MqttClient::Dispatch acts on it.
struct MqttCallbacks {
  static void Connect(mosquitto*, void* self, int rc, int, const mosquitto_property*) {
    static_cast<MqttClient*>(self)->events_.push_back(
        {MqttClient::Event::Kind::Connack, rc, {}, {}});
  }
  static void Disconnect(mosquitto*, void* self, int rc, const mosquitto_property*) {
    static_cast<MqttClient*>(self)->events_.push_back(
        {MqttClient::Event::Kind::Disconnect, rc, {}, {}});
  }
  static void Message(mosquitto*, void* self, const mosquitto_message* message,
                      const mosquitto_property*) {
    // Oversized publications are dropped before they cost a copy.
    if (message->payloadlen < 0 || std::size_t(message->payloadlen) > kMaxPayloadBytes) return;
    auto* client = static_cast<MqttClient*>(self);
    client->events_.push_back({MqttClient::Event::Kind::Publication, 0,
                               message->topic ? message->topic : "",
                               std::string(static_cast<const char*>(message->payload),
                                           std::size_t(message->payloadlen))});
  }
  static void Subscribe(mosquitto*, void* self, int mid, int, const int*,
                        const mosquitto_property*) {
    static_cast<MqttClient*>(self)->events_.push_back(
        {MqttClient::Event::Kind::Suback, mid, {}, {}});
  }
};

MqttClient::MqttClient(QObject* parent) : QObject(parent) {
  misc_timer_.setTimerType(Qt::CoarseTimer);
  connect(&misc_timer_, &QTimer::timeout, this, [this] { Pump(2); });
  connect_timer_.setSingleShot(true);
  connect_timer_.setInterval(kConnectTimeoutMs);
  connect(&connect_timer_, &QTimer::timeout, this,
          [this] { Fail(QString::fromUtf8(kTextBrokerUnreachable)); });
}

MqttClient::~MqttClient() {
  Destroy();
}

bool MqttClient::Open(const BrokerAddress& broker, const std::string& client_id,
                      const std::optional<Will>& will) {
  Destroy();
  broker_ = broker;
  client_id_ = client_id;
  will_ = will;
  last_error_.clear();
  return StartConnecting(MQTT_PROTOCOL_V5);
}

bool MqttClient::StartConnecting(int protocol) {
  Destroy();
  protocol_ = protocol;
  if (!Library().loaded) {
    last_error_ = QString::fromUtf8(kTextBrokerUnreachable);
    return false;
  }
  mosq_ = Library().mosquitto_new(client_id_.c_str(), true, this);
  if (!mosq_) {
    last_error_ = QString::fromUtf8(kTextBrokerUnreachable);
    return false;
  }
  Library().mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, protocol);
  // Without it every small message waits for the broker's delayed acknowledgement.
  Library().mosquitto_int_option(mosq_, MOSQ_OPT_TCP_NODELAY, 1);
  Library().mosquitto_connect_v5_callback_set(mosq_, &MqttCallbacks::Connect);
  Library().mosquitto_disconnect_v5_callback_set(mosq_, &MqttCallbacks::Disconnect);
  Library().mosquitto_message_v5_callback_set(mosq_, &MqttCallbacks::Message);
  Library().mosquitto_subscribe_v5_callback_set(mosq_, &MqttCallbacks::Subscribe);
  if (will_) {
    Library().mosquitto_will_set(mosq_, will_->topic.c_str(), int(will_->payload.size()),
                                 will_->payload.data(), 1, will_->retain);
  }
  if (broker_.tls) {
    const QByteArray ca = ca_file_.toLocal8Bit();
    const int rc = ca_file_.isEmpty() ? Library().mosquitto_tls_set(mosq_, nullptr, kSystemCaPath,
                                                                    nullptr, nullptr, nullptr)
                                      : Library().mosquitto_tls_set(mosq_, ca.constData(), nullptr,
                                                                    nullptr, nullptr, nullptr);
    // Verify the broker's certificate and its name: a table server is somebody else's machine.
    if (rc != MOSQ_ERR_SUCCESS ||
        Library().mosquitto_tls_opts_set(mosq_, 1, nullptr, nullptr) != 0 ||
        Library().mosquitto_tls_insecure_set(mosq_, false) != 0) {
      last_error_ = QString::fromUtf8(kTextBrokerUnreachable);
      Destroy();
      return false;
    }
  }
  const int rc =
      Library().mosquitto_connect_async(mosq_, broker_.host.c_str(), broker_.port, keep_alive_);
  if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_CONN_PENDING) {
    last_error_ = QString::fromUtf8(kTextBrokerUnreachable);
    Destroy();
    return false;
  }
  connect_timer_.start();
  WatchSocket();
  return true;
}

void MqttClient::Close() {
  if (mosq_ && open_) {
    // A clean DISCONNECT: the broker drops the last will.
    Library().mosquitto_disconnect(mosq_);
    Library().mosquitto_loop_write(mosq_, 1);
  }
  Destroy();
}

void MqttClient::Destroy() {
  UnwatchSocket();
  misc_timer_.stop();
  connect_timer_.stop();
  open_ = false;
  events_.clear();
  if (mosq_) {
    Library().mosquitto_destroy(mosq_);
    mosq_ = nullptr;
  }
}

bool MqttClient::Publish(const std::string& topic, std::string_view payload, bool retain) {
  if (!mosq_ || !open_ || payload.size() > kMaxPayloadBytes) return false;
  const int rc = Library().mosquitto_publish(mosq_, nullptr, topic.c_str(), int(payload.size()),
                                             payload.data(), 1, retain);
  WatchSocket();
  return rc == MOSQ_ERR_SUCCESS;
}

bool MqttClient::Subscribe(const std::string& filter) {
  if (!mosq_ || !open_) return false;
  const int rc = Library().mosquitto_subscribe(mosq_, nullptr, filter.c_str(), 1);
  WatchSocket();
  return rc == MOSQ_ERR_SUCCESS;
}

void MqttClient::WatchSocket() {
  const int socket = mosq_ ? Library().mosquitto_socket(mosq_) : -1;
  if (socket != socket_) {
    UnwatchSocket();
    socket_ = socket;
    if (socket_ >= 0) {
      read_notifier_ = std::make_unique<QSocketNotifier>(socket_, QSocketNotifier::Read);
      connect(read_notifier_.get(), &QSocketNotifier::activated, this, [this] { Pump(0); });
      write_notifier_ = std::make_unique<QSocketNotifier>(socket_, QSocketNotifier::Write);
      connect(write_notifier_.get(), &QSocketNotifier::activated, this, [this] { Pump(1); });
    }
  }
  if (write_notifier_) write_notifier_->setEnabled(Library().mosquitto_want_write(mosq_));
}

void MqttClient::UnwatchSocket() {
  read_notifier_.reset();
  write_notifier_.reset();
  socket_ = -1;
}

void MqttClient::Pump(int what) {
  if (!mosq_) return;
  int rc = MOSQ_ERR_SUCCESS;
  switch (what) {
    case 0:
      // One packet per call: drain what is already here instead of waiting for the event loop
      // to come round once per packet (a burst of messages would queue behind every other socket).
      for (int packets = 0; packets < kMaxPacketsPerRead; ++packets) {
        rc = Library().mosquitto_loop_read(mosq_, 1);
        if (rc != MOSQ_ERR_SUCCESS || !MoreToRead(Library().mosquitto_socket(mosq_))) break;
      }
      break;
    case 1:
      rc = Library().mosquitto_loop_write(mosq_, 1);
      break;
    default:
      rc = Library().mosquitto_loop_misc(mosq_);
      break;
  }
  if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_CONN_PENDING &&
      (events_.empty() || events_.back().kind != Event::Kind::Disconnect)) {
    events_.push_back({Event::Kind::Disconnect, rc, {}, {}});
  }
  if (mosq_) WatchSocket();
  Dispatch();
}

void MqttClient::Dispatch() {
  if (dispatching_) return;
  dispatching_ = true;
  const QPointer<MqttClient> alive(this);
  while (alive && !events_.empty()) {
    Event event = std::move(events_.front());
    events_.erase(events_.begin());
    switch (event.kind) {
      case Event::Kind::Connack:
        if (event.code == 0) {
          connect_timer_.stop();
          open_ = true;
          // loop_misc sends the ping when nothing else went out for a keep-alive period.
          misc_timer_.start(keep_alive_ * 1000 / 3);
          emit opened();
        } else if (protocol_ == MQTT_PROTOCOL_V5 &&
                   (event.code == 1 || event.code == MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION)) {
          dispatching_ = false;
          if (!StartConnecting(MQTT_PROTOCOL_V311)) Fail(last_error_);
          return;
        } else {
          Fail(QString::fromUtf8(kTextBrokerUnreachable));
        }
        break;
      case Event::Kind::Disconnect:
        if (open_) {
          Destroy();
          emit lost();
        } else if (mosq_ && protocol_ == MQTT_PROTOCOL_V5 && event.code != MOSQ_ERR_TLS) {
          // An old broker may just hang up on an MQTT 5 hello.
          dispatching_ = false;
          if (!StartConnecting(MQTT_PROTOCOL_V311)) Fail(last_error_);
          return;
        } else if (mosq_) {
          Fail(QString::fromUtf8(kTextBrokerUnreachable));
        }
        break;
      case Event::Kind::Publication:
        if (open_) emit messageArrived(event.topic, event.payload);
        break;
      case Event::Kind::Suback:
        if (open_) emit subscribed(event.code);
        break;
    }
  }
  if (alive) dispatching_ = false;
}

void MqttClient::Fail(const QString& text) {
  const bool was_open = open_;
  Destroy();
  last_error_ = text;
  if (was_open) {
    emit lost();
  } else {
    emit failed(text);
  }
}

}  // namespace truco::net
