// A proven deal's hand as bytes and back (docs/protocol.md, "Resume"): what binds the hand, this
// side's secret, and every line of the hand in the order taken. Nothing derived is kept, so a
// restored session checks every line again and cannot be handed a view its lines do not make.
#include <sodium.h>

#include <algorithm>

#include "net/fair/proven_deal.h"

namespace truco::net {
namespace {

constexpr std::array<std::uint8_t, 4> kMagic{'T', 'Z', 'D', '4'};
constexpr std::uint8_t kFormat = 1;
constexpr std::size_t kMaxName = proof::kWireLineBytes;  // a name came in one line
constexpr std::size_t kMaxEntries = 4096;
constexpr std::size_t kCheckBytes = 32;

// BLAKE2b-256 of the bytes before it: a damaged file is refused even where its lines would
// still check (a name changed before any proof was made).
std::array<std::uint8_t, kCheckBytes> Check(std::span<const std::uint8_t> bytes) {
  std::array<std::uint8_t, kCheckBytes> out{};
  crypto_generichash(out.data(), out.size(), bytes.data(), bytes.size(), nullptr, 0);
  return out;
}

void PutNumber(std::vector<std::uint8_t>& out, std::uint64_t n, std::size_t bytes) {
  for (std::size_t i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
}

void PutText(std::vector<std::uint8_t>& out, std::string_view text) {
  PutNumber(out, text.size(), 2);
  out.insert(out.end(), text.begin(), text.end());
}

// Reads fields in order; any read past the end fails and every later one too.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::optional<std::uint64_t> Number(std::size_t bytes) {
    if (bytes_.size() - at_ < bytes) return std::nullopt;
    std::uint64_t n = 0;
    for (std::size_t i = 0; i < bytes; ++i) n |= std::uint64_t{bytes_[at_ + i]} << (8 * i);
    at_ += bytes;
    return n;
  }
  std::optional<std::span<const std::uint8_t>> Take(std::size_t size) {
    if (bytes_.size() - at_ < size) return std::nullopt;
    auto out = bytes_.subspan(at_, size);
    at_ += size;
    return out;
  }
  std::optional<std::string> Text(std::size_t most) {
    const auto size = Number(2);
    if (!size || *size > most) return std::nullopt;
    const auto bytes = Take(static_cast<std::size_t>(*size));
    if (!bytes) return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
  }
  [[nodiscard]] bool AtEnd() const { return at_ == bytes_.size(); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

}  // namespace

std::vector<std::uint8_t> ProvenDeal::Saved() const {
  std::vector<std::uint8_t> out;
  if (!party_) return out;
  out.insert(out.end(), kMagic.begin(), kMagic.end());
  out.push_back(kFormat);
  out.push_back(static_cast<std::uint8_t>(parties_));
  out.push_back(static_cast<std::uint8_t>(index_));
  out.push_back(static_cast<std::uint8_t>(hand_.deck_type));
  out.push_back(hand_.vira_turned ? 1 : 0);
  PutNumber(out, hand_.number, 8);
  for (const std::string& name : hand_.names) PutText(out, name);
  out.push_back(has_secret_ ? 1 : 0);
  if (has_secret_) {
    const auto& secret = party_->secret().bytes;
    out.insert(out.end(), secret.begin(), secret.end());
  }
  PutNumber(out, log_.size(), 2);
  for (const Entry& e : log_) {
    out.push_back(static_cast<std::uint8_t>(e.party));
    PutText(out, e.line);
  }
  const auto check = Check(out);
  out.insert(out.end(), check.begin(), check.end());
  return out;
}

std::optional<ProvenDeal> ProvenDeal::Restore(std::span<const std::uint8_t> all) {
  if (all.size() < kCheckBytes) return std::nullopt;
  const auto bytes = all.first(all.size() - kCheckBytes);
  const auto check = Check(bytes);
  if (!std::equal(check.begin(), check.end(),
                  all.begin() + static_cast<std::ptrdiff_t>(bytes.size()))) {
    return std::nullopt;
  }
  Reader in(bytes);
  const auto magic = in.Take(kMagic.size());
  if (!magic || !std::equal(magic->begin(), magic->end(), kMagic.begin())) return std::nullopt;
  const auto format = in.Number(1);
  const auto parties = in.Number(1);
  const auto index = in.Number(1);
  const auto deck = in.Number(1);
  const auto vira = in.Number(1);
  const auto number = in.Number(8);
  if (!number || format != kFormat || *parties < proof::kMinParties ||
      *parties > proof::kMaxParties || *index >= *parties ||
      (deck != std::uint64_t{kBaralhoSujo} && deck != std::uint64_t{kBaralhoLimpo}) || *vira > 1) {
    return std::nullopt;
  }
  ProvenHand hand{static_cast<char>(*deck), *vira == 1, {}, *number};
  for (std::uint64_t p = 0; p < *parties; ++p) {
    auto name = in.Text(kMaxName);
    if (!name) return std::nullopt;
    hand.names.push_back(std::move(*name));
  }
  ProvenDeal deal(static_cast<std::size_t>(*parties), static_cast<std::size_t>(*index));
  deal.Start(hand);
  const auto has_secret = in.Number(1);
  if (!has_secret || *has_secret > 1) return std::nullopt;
  if (*has_secret == 1) {
    const auto field = in.Take(proof::kElementBytes);
    if (!field) return std::nullopt;
    const auto secret = proof::ScalarFromBytes(*field);
    if (!secret || proof::IsZero(*secret)) return std::nullopt;
    deal.party_->RestoreSecret(*secret);
    deal.has_secret_ = true;
  }
  const auto entries = in.Number(2);
  if (!entries || *entries > kMaxEntries) return std::nullopt;
  // Every line again, this side's own checked as a peer's would be.
  deal.restoring_ = true;
  for (std::uint64_t i = 0; i < *entries; ++i) {
    const auto from = in.Number(1);
    const auto line = in.Text(proof::kWireLineBytes);
    if (!line || *from >= *parties) return std::nullopt;
    if (deal.Apply(*line, static_cast<std::size_t>(*from)).fault != DealFault::None) {
      return std::nullopt;
    }
  }
  deal.restoring_ = false;
  if (!in.AtEnd()) return std::nullopt;
  // The secret is kept exactly when this side's key went out, and no turn of its own is left
  // unsent (its lines are made and kept the moment its turn comes).
  const bool key_sent = deal.next_ > *index;
  if (deal.has_secret_ != key_sent) return std::nullopt;
  if (deal.next_ < deal.schedule_.size() && deal.schedule_[deal.next_].party == *index) {
    return std::nullopt;
  }
  return deal;
}

std::optional<DealBytes> ProvenDeal::HandId() const {
  if (log_.empty()) return std::nullopt;
  const std::string& first = log_.front().line;  // party 1's key: the first line of every hand
  DealBytes id{};
  crypto_generichash(id.data(), id.size(), reinterpret_cast<const unsigned char*>(first.data()),
                     first.size(), nullptr, 0);
  return id;
}

constexpr int kTextVariant = sodium_base64_VARIANT_URLSAFE_NO_PADDING;

std::string ProvenDeal::SavedText() const {
  const std::vector<std::uint8_t> bytes = Saved();
  std::string text(sodium_base64_ENCODED_LEN(bytes.size(), kTextVariant), '\0');
  sodium_bin2base64(text.data(), text.size(), bytes.data(), bytes.size(), kTextVariant);
  text.resize(text.find('\0'));
  return text;
}

std::optional<ProvenDeal> ProvenDeal::RestoreText(std::string_view text) {
  std::vector<std::uint8_t> bytes(text.size() * 3 / 4 + 1);
  std::size_t length = 0;
  const char* end = nullptr;
  // libsodium refuses a last character with spare bits set: one text per state.
  if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length,
                        &end, kTextVariant) != 0 ||
      end != text.data() + text.size()) {
    return std::nullopt;
  }
  bytes.resize(length);
  return Restore(bytes);
}

}  // namespace truco::net
