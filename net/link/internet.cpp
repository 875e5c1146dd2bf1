#include "net/link/internet.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "net/wire/text_fields.h"

namespace truco::net {
namespace {

void InitSodium() {
  static const bool ok = sodium_init() >= 0;
  if (!ok) throw std::runtime_error("libsodium failed to start");
}

std::string Hex(const unsigned char* bytes, std::size_t n) {
  std::string out(n * 2 + 1, '\0');
  sodium_bin2hex(out.data(), out.size(), bytes, n);
  out.pop_back();
  return out;
}

std::string RandomHex(std::size_t bytes) {
  InitSodium();
  std::vector<unsigned char> raw(bytes);
  randombytes_buf(raw.data(), raw.size());
  return Hex(raw.data(), raw.size());
}

bool IsLowerHex(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

template <typename T>
std::optional<T> Number(std::string_view text) {
  T value{};
  if (text.empty() || text.size() > 20) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Separates the labels of the strings that the keys and MACs cover.
constexpr char kKeyLabel[] = "truco-zanforte/v1 key";
constexpr char kPublicLabel[] = "truco-zanforte/v1 public table";
constexpr char kPrivateSalt[] = "truco-zanforte/v1 private table";
constexpr std::size_t kCounterBytes = 8;

}  // namespace

std::optional<BrokerAddress> ParseBrokerAddress(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty() || text.size() > 253 + 6) return std::nullopt;
  BrokerAddress broker;
  std::string_view host = text;
  std::string_view port;
  if (text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = text.substr(1, close - 1);
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return std::nullopt;
      port = rest.substr(1);
      if (port.empty()) return std::nullopt;
    }
  } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
    if (text.find(':') != colon) return std::nullopt;  // a bare IPv6 address needs brackets
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (port.empty()) return std::nullopt;
  }
  if (host.empty()) return std::nullopt;
  for (const char c : host) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '-' || c == ':' || c == '_';
    if (!ok) return std::nullopt;
  }
  if (!port.empty()) {
    const auto number = Number<unsigned>(port);
    if (!number || *number == 0 || *number > 65535) return std::nullopt;
    broker.port = static_cast<std::uint16_t>(*number);
  }
  broker.host = std::string(host);
  broker.tls = broker.port == kBrokerTlsPort;
  return broker;
}

bool IsUnencryptedOffLoopback(const BrokerAddress& broker) {
  if (broker.tls) return false;
  const std::string& h = broker.host;
  const bool loopback = h == "localhost" || h == "::1" || h.rfind("127.", 0) == 0;
  return !loopback;
}

std::string LobbyTopic(std::string_view table_id) {
  return std::string(kTopicRoot) + "/lobby/" + std::string(table_id);
}
std::string LobbyFilter() {
  return std::string(kTopicRoot) + "/lobby/+";
}
std::string HereTopic(std::string_view table_id) {
  return std::string(kTopicRoot) + "/t/" + std::string(table_id) + "/here";
}
std::string HostTopic(std::string_view table_id, std::string_view guest_id) {
  return std::string(kTopicRoot) + "/t/" + std::string(table_id) + "/h/" + std::string(guest_id);
}
std::string GuestTopic(std::string_view table_id, std::string_view guest_id) {
  return std::string(kTopicRoot) + "/t/" + std::string(table_id) + "/g/" + std::string(guest_id);
}
std::string GuestFilter(std::string_view table_id) {
  return std::string(kTopicRoot) + "/t/" + std::string(table_id) + "/g/+";
}

std::optional<std::string> TableOfLobbyTopic(std::string_view topic) {
  const std::string prefix = std::string(kTopicRoot) + "/lobby/";
  if (topic.substr(0, prefix.size()) != prefix) return std::nullopt;
  topic.remove_prefix(prefix.size());
  if (!IsTableId(topic)) return std::nullopt;
  return std::string(topic);
}

std::optional<std::string> GuestOfTopic(std::string_view topic, std::string_view table_id) {
  const std::string prefix = std::string(kTopicRoot) + "/t/" + std::string(table_id) + "/g/";
  if (topic.substr(0, prefix.size()) != prefix) return std::nullopt;
  topic.remove_prefix(prefix.size());
  if (!IsGuestId(topic)) return std::nullopt;
  return std::string(topic);
}

bool IsTableId(std::string_view id) {
  return id.size() == kTableIdChars && IsLowerHex(id);
}
bool IsGuestId(std::string_view id) {
  return id.size() == kGuestIdChars && id.front() == 'g' && IsLowerHex(id.substr(1));
}
std::string NewTableId() {
  return RandomHex(kTableIdChars / 2);
}
std::string NewGuestId() {
  return "g" + RandomHex(kGuestIdChars / 2).substr(0, kGuestIdChars - 1);
}

std::string EncodeLobbyEntry(const LobbyEntry& entry) {
  switch (entry.state) {
    case EntryState::Taken:
      return "v1\ntaken";
    case EntryState::Private:
      return "v1\nprivate";
    case EntryState::Open:
      break;
  }
  std::string name = entry.host_name.substr(0, kMaxLobbyNameBytes);
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  return "v1\nopen\n" + name + "\n" + std::string(1, entry.deck_type) + "\n" +
         (entry.mode == ManilhaMode::Nova ? "1" : "0") + "\n" + std::to_string(entry.eleven_mode) +
         "\n" + std::to_string(entry.since);
}

std::optional<LobbyEntry> DecodeLobbyEntry(std::string_view bytes) {
  if (bytes.size() > 256) return std::nullopt;
  const std::vector<std::string_view> parts = SplitFields(bytes, '\n');
  if (parts.size() < 2 || parts[0] != "v1") return std::nullopt;
  LobbyEntry entry;
  if (parts[1] == "taken" && parts.size() == 2) {
    entry.state = EntryState::Taken;
    return entry;
  }
  if (parts[1] == "private" && parts.size() == 2) {
    entry.state = EntryState::Private;
    return entry;
  }
  if (parts[1] != "open" || parts.size() != 7) return std::nullopt;
  const std::string_view name = parts[2];
  if (name.empty() || name.size() > kMaxLobbyNameBytes) return std::nullopt;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return std::nullopt;
  }
  if (parts[3] != "1" && parts[3] != "2") return std::nullopt;
  if (parts[4] != "1" && parts[4] != "0") return std::nullopt;
  if (parts[5] != "0" && parts[5] != "1") return std::nullopt;
  const auto since = Number<std::int64_t>(parts[6]);
  if (!since || *since < 0) return std::nullopt;
  entry.host_name = std::string(name);
  entry.deck_type = parts[3][0];
  entry.mode = parts[4] == "1" ? ManilhaMode::Nova : ManilhaMode::Velha;
  entry.eleven_mode = parts[5][0] - '0';
  entry.since = *since;
  return entry;
}

std::string NewTableCode() {
  InitSodium();
  constexpr std::size_t kAlphabetSize = sizeof(kCodeAlphabet) - 1;
  std::string code;
  for (std::size_t i = 0; i < kCodeChars; ++i) {
    code += kCodeAlphabet[randombytes_uniform(static_cast<std::uint32_t>(kAlphabetSize))];
  }
  return code;
}

std::string ShowTableCode(std::string_view code) {
  if (code.size() != kCodeChars) return std::string(code);
  return std::string(code.substr(0, 4)) + "-" + std::string(code.substr(4));
}

std::optional<std::string> ReadTableCode(std::string_view typed) {
  std::string code;
  for (const char c : typed) {
    if (c == ' ' || c == '-' || c == '\t') continue;
    const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    if (std::strchr(kCodeAlphabet, upper) == nullptr || upper == '\0') return std::nullopt;
    code += upper;
    if (code.size() > kCodeChars) return std::nullopt;
  }
  if (code.size() != kCodeChars) return std::nullopt;
  return code;
}

PrivateTable DerivePrivateTable(std::string_view code) {
  InitSodium();
  std::array<unsigned char, crypto_pwhash_SALTBYTES> salt{};
  crypto_generichash(salt.data(), salt.size(), reinterpret_cast<const unsigned char*>(kPrivateSalt),
                     sizeof(kPrivateSalt) - 1, nullptr, 0);
  std::array<unsigned char, kTableIdChars / 2 + 32> out{};
  if (crypto_pwhash(out.data(), out.size(), code.data(), code.size(), salt.data(),
                    crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
                    crypto_pwhash_ALG_ARGON2ID13) != 0) {
    throw std::runtime_error("out of memory stretching a table code");
  }
  PrivateTable table;
  table.table_id = Hex(out.data(), kTableIdChars / 2);
  table.key.assign(reinterpret_cast<const char*>(out.data()) + kTableIdChars / 2, 32);
  sodium_memzero(out.data(), out.size());
  return table;
}

std::string PublicTableKey(std::string_view table_id) {
  InitSodium();
  std::string input = std::string(kPublicLabel) + std::string(table_id);
  std::string key(32, '\0');
  crypto_generichash(reinterpret_cast<unsigned char*>(key.data()), key.size(),
                     reinterpret_cast<const unsigned char*>(input.data()), input.size(), nullptr,
                     0);
  return key;
}

TableSeal::TableSeal(Role role, std::string table_id, std::string table_key)
    : role_(role), table_id_(std::move(table_id)), table_key_(std::move(table_key)) {
  InitSodium();
  crypto_kx_keypair(pk_, sk_);
  (role_ == Role::Guest ? guest_pk_ : host_pk_).assign(reinterpret_cast<const char*>(pk_), 32);
}

TableSeal::~TableSeal() {
  sodium_memzero(sk_, sizeof sk_);
  sodium_memzero(rx_, sizeof rx_);
  sodium_memzero(tx_, sizeof tx_);
  sodium_memzero(table_key_.data(), table_key_.size());
}

std::size_t TableSeal::Overhead() {
  return 1 + kCounterBytes + crypto_aead_chacha20poly1305_ietf_ABYTES;
}

std::string TableSeal::Mac(char kind, std::string_view guest_pk, std::string_view host_pk) const {
  std::string covered(1, kind);
  covered += table_id_;
  covered += guest_pk;
  covered += host_pk;
  std::string mac(crypto_auth_hmacsha512256_BYTES, '\0');
  crypto_auth_hmacsha512256(reinterpret_cast<unsigned char*>(mac.data()),
                            reinterpret_cast<const unsigned char*>(covered.data()), covered.size(),
                            reinterpret_cast<const unsigned char*>(table_key_.data()));
  return mac;
}

std::string TableSeal::JoinFrame() const {
  return std::string(1, kFrameJoin) + guest_pk_ + Mac(kFrameJoin, guest_pk_, {});
}

std::string TableSeal::AcceptFrame() const {
  return std::string(1, kFrameAccept) + host_pk_ + Mac(kFrameAccept, guest_pk_, host_pk_);
}

bool TableSeal::AcceptJoin(std::string_view frame) {
  if (role_ != Role::Host || frame.size() != 1 + 32 + crypto_auth_hmacsha512256_BYTES ||
      frame[0] != kFrameJoin) {
    return false;
  }
  const std::string_view pk = frame.substr(1, 32);
  const std::string expected = Mac(kFrameJoin, pk, {});
  if (sodium_memcmp(expected.data(), frame.data() + 33, expected.size()) != 0) return false;
  guest_pk_ = std::string(pk);
  return SetSessionKeys(pk);
}

bool TableSeal::Accepted(std::string_view frame) {
  if (role_ != Role::Guest || ready_ || frame.size() != 1 + 32 + crypto_auth_hmacsha512256_BYTES ||
      frame[0] != kFrameAccept) {
    return false;
  }
  const std::string_view pk = frame.substr(1, 32);
  const std::string expected = Mac(kFrameAccept, guest_pk_, pk);
  if (sodium_memcmp(expected.data(), frame.data() + 33, expected.size()) != 0) return false;
  host_pk_ = std::string(pk);
  return SetSessionKeys(pk);
}

bool TableSeal::SetSessionKeys(std::string_view peer_pk) {
  unsigned char rx[crypto_kx_SESSIONKEYBYTES];
  unsigned char tx[crypto_kx_SESSIONKEYBYTES];
  const auto* peer = reinterpret_cast<const unsigned char*>(peer_pk.data());
  const int failed = role_ == Role::Guest ? crypto_kx_client_session_keys(rx, tx, pk_, sk_, peer)
                                          : crypto_kx_server_session_keys(rx, tx, pk_, sk_, peer);
  if (failed != 0) return false;
  // The table's key goes into both keys, so a broker that swapped the public keys without
  // knowing the code ends with keys that open nothing.
  const std::string transcript = std::string(kKeyLabel) + table_id_ + guest_pk_ + host_pk_;
  const auto mix = [&](unsigned char* out, const unsigned char* session) {
    crypto_generichash_state state;
    crypto_generichash_init(&state, reinterpret_cast<const unsigned char*>(table_key_.data()),
                            table_key_.size(), 32);
    crypto_generichash_update(&state, session, crypto_kx_SESSIONKEYBYTES);
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(transcript.data()),
                              transcript.size());
    crypto_generichash_final(&state, out, 32);
  };
  mix(rx_, rx);
  mix(tx_, tx);
  sodium_memzero(rx, sizeof rx);
  sodium_memzero(tx, sizeof tx);
  sent_ = 0;
  received_ = 0;
  ready_ = true;
  return true;
}

std::string TableSeal::Seal(std::string_view message) {
  if (!ready_) return {};
  ++sent_;
  std::array<unsigned char, crypto_aead_chacha20poly1305_ietf_NPUBBYTES> nonce{};
  for (std::size_t i = 0; i < kCounterBytes; ++i) {
    nonce[nonce.size() - 1 - i] = static_cast<unsigned char>(sent_ >> (8 * i));
  }
  std::string frame(1, kFrameData);
  frame.append(reinterpret_cast<const char*>(nonce.data()) + nonce.size() - kCounterBytes,
               kCounterBytes);
  const std::size_t head = frame.size();
  frame.resize(head + message.size() + crypto_aead_chacha20poly1305_ietf_ABYTES);
  unsigned long long length = 0;
  crypto_aead_chacha20poly1305_ietf_encrypt(
      reinterpret_cast<unsigned char*>(frame.data()) + head, &length,
      reinterpret_cast<const unsigned char*>(message.data()), message.size(),
      reinterpret_cast<const unsigned char*>(table_id_.data()), table_id_.size(), nullptr,
      nonce.data(), tx_);
  frame.resize(head + length);
  return frame;
}

std::optional<std::string> TableSeal::Open(std::string_view frame) {
  if (!ready_ || frame.size() < Overhead() || frame[0] != kFrameData) return std::nullopt;
  std::array<unsigned char, crypto_aead_chacha20poly1305_ietf_NPUBBYTES> nonce{};
  std::memcpy(nonce.data() + nonce.size() - kCounterBytes, frame.data() + 1, kCounterBytes);
  std::uint64_t counter = 0;
  for (std::size_t i = 0; i < kCounterBytes; ++i) counter = (counter << 8) | nonce[4 + i];
  if (counter <= received_) return std::nullopt;  // replayed or out of order
  const std::string_view sealed = frame.substr(1 + kCounterBytes);
  std::string message(sealed.size() - crypto_aead_chacha20poly1305_ietf_ABYTES, '\0');
  unsigned long long length = 0;
  if (crypto_aead_chacha20poly1305_ietf_decrypt(
          reinterpret_cast<unsigned char*>(message.data()), &length, nullptr,
          reinterpret_cast<const unsigned char*>(sealed.data()), sealed.size(),
          reinterpret_cast<const unsigned char*>(table_id_.data()), table_id_.size(), nonce.data(),
          rx_) != 0) {
    return std::nullopt;
  }
  received_ = counter;
  message.resize(length);
  return message;
}

}  // namespace truco::net

namespace truco::net {

bool LobbyBook::Apply(std::string_view topic, std::string_view payload, std::int64_t now) {
  const auto table_id = TableOfLobbyTopic(topic);
  if (!table_id) return false;
  const auto at = std::find_if(tables_.begin(), tables_.end(),
                               [&](const LobbyTable& t) { return t.table_id == *table_id; });
  std::optional<LobbyEntry> entry;
  if (payload.size() <= kMaxPayloadBytes) entry = DecodeLobbyEntry(payload);
  // A table that claims to open later than now would sort above the real ones for as long as
  // it likes: beyond a clock's error it is not shown at all.
  if (!entry || entry->state != EntryState::Open || entry->since > now + kLobbyClockSlackSeconds) {
    // Cleared, taken, private or junk: nothing to show for that id.
    if (at == tables_.end()) return false;
    tables_.erase(at);
    return true;
  }
  if (at != tables_.end()) {
    if (at->entry == *entry) return false;
    tables_.erase(at);
  }
  const auto newer = [](const LobbyTable& a, const LobbyTable& b) {
    return a.entry.since != b.entry.since ? a.entry.since > b.entry.since : a.table_id < b.table_id;
  };
  LobbyTable table{*table_id, std::move(*entry)};
  if (tables_.size() >= kMaxLobbyTables) {
    left_out_ = true;
    if (!newer(table, tables_.back())) return false;  // older than everything kept
    tables_.pop_back();
  }
  tables_.insert(std::upper_bound(tables_.begin(), tables_.end(), table, newer), std::move(table));
  return true;
}

}  // namespace truco::net
