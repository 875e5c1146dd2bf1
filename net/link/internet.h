#pragma once
// Playing across the internet through an MQTT broker: where the broker is, the tables' topics,
// the lobby entry's bytes, the private tables' codes, and the seal that keeps every game message
// secret and authentic between the two programs. Plain C++ over libsodium (no Qt, no broker), so
// every byte that comes from outside can be tested and fuzzed on its own.
//
// Choices:
// - A table's id is 32 lower-case hex digits and is also its host's MQTT client id, so the
//   broker's pattern ACLs (%c) let a host write only its own table's topics.
// - A private table's id and its binding key are both stretched from the code with Argon2id, so
//   whoever sees the id (the broker) pays Argon2id for every code it tries.
// - The guest is the X25519 exchange's client, the host its server. Both session keys are mixed
//   with the table's key (the code's at a private table, a well-known one at a public table), and
//   the join and its answer carry MACs under that key over the table id and both public keys.
// - Each direction has its own key; a message's nonce is its counter, which must grow: a replayed,
//   reordered or altered message fails.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/cards.h"

namespace truco::net {

// --- Where the broker is ---

inline constexpr std::uint16_t kBrokerTlsPort = 8883;
inline constexpr std::uint16_t kBrokerPlainPort = 1883;

struct BrokerAddress {
  std::string host;
  std::uint16_t port = kBrokerTlsPort;
  bool tls = true;
  friend bool operator==(const BrokerAddress&, const BrokerAddress&) = default;
};

// "host" or "host:port" ("[v6]:port" for an IPv6 address). Port 8883 (the default) means TLS;
// any other port is plain MQTT. Nothing when the text is no address.
std::optional<BrokerAddress> ParseBrokerAddress(std::string_view text);
// A plain connection that leaves this computer: shown as "sem criptografia".
bool IsUnencryptedOffLoopback(const BrokerAddress& broker);
inline constexpr char kTextUnencrypted[] = "sem criptografia";

// --- Topics ---

inline constexpr char kTopicRoot[] = "truco-zanforte/v1";
inline constexpr std::size_t kTableIdChars = 32;
// A guest's client id: "g" and 22 hex digits (within MQTT 3.1's 23 characters).
inline constexpr std::size_t kGuestIdChars = 23;

std::string LobbyTopic(std::string_view table_id);  // the public entry (retained)
std::string LobbyFilter();                          // every public entry
std::string HereTopic(std::string_view table_id);   // a private table exists (retained)
std::string HostTopic(std::string_view table_id, std::string_view guest_id);   // host -> guest
std::string GuestTopic(std::string_view table_id, std::string_view guest_id);  // guest -> host
std::string GuestFilter(std::string_view table_id);  // the host hears every guest
// The table id in a lobby topic, checked; nothing for any other topic.
std::optional<std::string> TableOfLobbyTopic(std::string_view topic);
// The guest id at the end of a guest topic of this table, checked.
std::optional<std::string> GuestOfTopic(std::string_view topic, std::string_view table_id);

bool IsTableId(std::string_view id);
bool IsGuestId(std::string_view id);
std::string NewTableId();
std::string NewGuestId();

// --- Limits ---

// A publication larger than this is dropped unread, whatever its topic.
inline constexpr std::size_t kMaxPayloadBytes = 4096;
// The lobby keeps the newest this many public tables: every table a broker can hold (two
// connections a game within the shipped max_connections), so fakes cannot push real ones out.
inline constexpr std::size_t kMaxLobbyTables = 10000;
// How far ahead of this computer's clock a table may claim to have opened (clocks differ a little).
inline constexpr std::int64_t kLobbyClockSlackSeconds = 5 * 60;
// Messages that fail authentication in a row before the link is ended.
inline constexpr int kMaxBadInARow = 8;

// --- The lobby entry (public, retained, in clear by design) ---

enum class EntryState : std::uint8_t { Open, Taken, Private };

struct LobbyEntry {
  EntryState state = EntryState::Open;
  std::string host_name;  // only for Open
  char deck_type = kBaralhoSujo;
  ManilhaMode mode = ManilhaMode::Nova;
  int eleven_mode = 0;
  std::int64_t since = 0;  // seconds since 1970 (UTC), when the table opened
  friend bool operator==(const LobbyEntry&, const LobbyEntry&) = default;
};

// "v1\nopen\n" name "\n" deck "\n" mode "\n" eleven "\n" since; "v1\ntaken"; "v1\nprivate".
std::string EncodeLobbyEntry(const LobbyEntry& entry);
// Nothing for anything else (too long, other fields, a name with control characters).
std::optional<LobbyEntry> DecodeLobbyEntry(std::string_view bytes);
inline constexpr std::size_t kMaxLobbyNameBytes = 64;

// --- Private table codes ---

// Letters and digits without look-alikes (no 0 O 1 I L).
inline constexpr char kCodeAlphabet[] = "23456789ABCDEFGHJKMNPQRSTUVWXYZ";
inline constexpr std::size_t kCodeChars = 8;

// A fresh code, 8 characters from kCodeAlphabet.
std::string NewTableCode();
// "K7PX-Q3MD" for "K7PXQ3MD".
std::string ShowTableCode(std::string_view code);
// What the friend typed, upper-cased, without blanks and dashes; nothing unless it is a code.
std::optional<std::string> ReadTableCode(std::string_view typed);

// The table id and key that a code stands for (Argon2id; takes a noticeable fraction of a second).
struct PrivateTable {
  std::string table_id;
  std::string key;  // 32 bytes
};
PrivateTable DerivePrivateTable(std::string_view code);
// The key of a public table: known to every program, so it binds nothing secret.
std::string PublicTableKey(std::string_view table_id);

// --- Frames: the first byte says what a publication on a table topic is ---

inline constexpr char kFrameJoin = 'J';    // guest: public key + MAC
inline constexpr char kFrameAccept = 'A';  // host: public key + MAC
inline constexpr char kFrameBusy = 'B';    // host: "Mesa ocupada"
inline constexpr char kFrameData = 'D';    // either: counter + sealed message
inline constexpr char kFrameLeave = 'X';   // guest: gone (also its last will)

// One side of the sealed conversation between host and guest.
class TableSeal {
 public:
  enum class Role : std::uint8_t { Host, Guest };
  // `table_key` is DerivePrivateTable's key or PublicTableKey.
  TableSeal(Role role, std::string table_id, std::string table_key);
  ~TableSeal();
  TableSeal(const TableSeal&) = delete;
  TableSeal& operator=(const TableSeal&) = delete;

  // Guest: the join frame to publish.
  [[nodiscard]] std::string JoinFrame() const;
  // Host: checks a join frame; on success the session keys are set and AcceptFrame answers it.
  bool AcceptJoin(std::string_view frame);
  [[nodiscard]] std::string AcceptFrame() const;
  // Guest: checks the host's answer; on success the session keys are set.
  bool Accepted(std::string_view frame);

  [[nodiscard]] bool ready() const { return ready_; }
  // A data frame carrying `message`, with the next counter.
  [[nodiscard]] std::string Seal(std::string_view message);
  // The message of a data frame from the peer; nothing when it is altered, replayed, out of order
  // or not a data frame.
  std::optional<std::string> Open(std::string_view frame);

  // Bytes a sealed message adds to the message.
  static std::size_t Overhead();

 private:
  [[nodiscard]] std::string Mac(char kind, std::string_view guest_pk,
                                std::string_view host_pk) const;
  bool SetSessionKeys(std::string_view peer_pk);

  Role role_;
  std::string table_id_;
  std::string table_key_;
  unsigned char pk_[32] = {};
  unsigned char sk_[32] = {};
  std::string guest_pk_;
  std::string host_pk_;
  unsigned char rx_[32] = {};
  unsigned char tx_[32] = {};
  std::uint64_t sent_ = 0;
  std::uint64_t received_ = 0;
  bool ready_ = false;
};

}  // namespace truco::net

namespace truco::net {

// The lobby as one program sees it: the open public tables, fed with every publication on the
// lobby topics. Bounded whatever arrives: the newest kMaxLobbyTables tables and nothing else.
struct LobbyTable {
  std::string table_id;
  LobbyEntry entry;
  friend bool operator==(const LobbyTable&, const LobbyTable&) = default;
};

class LobbyBook {
 public:
  // One publication. `now` (seconds since 1970) bounds how far in the future a table may claim
  // to have opened. True when what the lobby shows changed.
  bool Apply(std::string_view topic, std::string_view payload, std::int64_t now);
  // Open tables, newest first.
  [[nodiscard]] const std::vector<LobbyTable>& tables() const { return tables_; }
  // An open table was left out for want of room, and a place has come free since: the entries
  // should be asked for again (the broker sends the retained ones anew).
  [[nodiscard]] bool wantsRefill() const { return left_out_ && tables_.size() < kMaxLobbyTables; }
  void RefillAsked() { left_out_ = false; }
  void Clear() {
    tables_.clear();
    left_out_ = false;
  }

 private:
  std::vector<LobbyTable> tables_;  // newest first, at most kMaxLobbyTables
  bool left_out_ = false;
};

}  // namespace truco::net
