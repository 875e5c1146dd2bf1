// The saved text of one side's part in an open hand, and back (JointDeal::SavedText, Restore).

#include <sodium.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/fair/deal_group.h"
#include "net/fair/joint_deal.h"
#include "net/wire/text_fields.h"

namespace truco::net {

using namespace deal_group;

namespace {

// The saved hand's fields, in this order, separated by ';'.
constexpr std::size_t kSavedFields = 15;

std::optional<std::uint32_t> SmallNumber(std::string_view text, std::uint32_t upper) {
  if (text.empty() || text.size() > 3) return std::nullopt;
  std::uint32_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<std::uint32_t>(c - '0');
  }
  if (n >= upper) return std::nullopt;
  return n;
}

template <typename T, typename F>
std::string Joined(const T& items, F text) {
  std::string out;
  bool first = true;
  for (const auto& item : items) {
    if (!first) out += ',';
    first = false;
    out += text(item);
  }
  return out;
}

// A list of points: empty, or exactly `size` group elements.
bool ParsePoints(std::string_view text, std::size_t size, std::vector<DealBytes>& out) {
  out.clear();
  if (text.empty()) return true;
  const auto parts = SplitFields(text, ',');
  if (parts.size() != size) return false;
  for (std::string_view part : parts) {
    const auto point = DealFromText(part);
    if (!point || !ValidPoint(*point)) return false;
    out.push_back(*point);
  }
  return true;
}

// A permutation of 0 .. size - 1, or nothing.
bool ParsePermutation(std::string_view text, std::size_t size, std::vector<std::uint32_t>& out) {
  out.clear();
  if (text.empty()) return true;
  const auto parts = SplitFields(text, ',');
  if (parts.size() != size) return false;
  std::vector<bool> used(size);
  for (std::string_view part : parts) {
    const auto n = SmallNumber(part, static_cast<std::uint32_t>(size));
    if (!n || used[*n]) return false;
    used[*n] = true;
    out.push_back(*n);
  }
  return true;
}

}  // namespace

std::string JointDeal::SavedText() const {
  auto card_text = [this](const std::optional<Card>& card) -> std::string {
    if (!card) return "-";
    const auto at = std::find(deck_.begin(), deck_.end(), *card);
    return std::to_string(at - deck_.begin());
  };
  auto point_text = [](const std::optional<DealBytes>& p) { return p ? DealText(*p) : "-"; };
  auto number_text = [](std::uint32_t n) { return std::to_string(n); };
  auto list_text = [](const DealBytes& p) { return DealText(p); };
  std::string plays;
  for (int p = 1; p <= kDealPositions; ++p) {
    if (p > 1) plays += ',';
    const auto i = static_cast<std::size_t>(p);
    plays += static_cast<char>('0' + std::clamp(plays_[i], 0, 9));
    plays += hidden_[i] ? '1' : '0';
  }
  const std::vector<std::string> fields{
      side_ == Side::Host ? "S" : "C",
      std::string(1, deck_type_),
      vira_turned_ ? "1" : "0",
      DealText(secret_),
      have_peer_commitment_ ? DealText(peer_commitment_) : "-",
      Joined(first_, list_text),
      Joined(first_cards_, number_text),
      Joined(final_, list_text),
      Joined(final_from_, number_text),
      Joined(blinded_, list_text),
      Joined(own_, card_text),
      card_text(vira_),
      Joined(std::vector(openings_.begin() + 1, openings_.end()), point_text),
      Joined(std::vector(announced_.begin() + 1, announced_.end()), card_text),
      plays};
  std::string text;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) text += ';';
    text += fields[i];
  }
  return text;
}

std::optional<JointDeal> JointDeal::Restore(std::string_view text, DealEntropy& entropy) {
  const auto f = SplitFields(text, ';');
  if (f.size() != kSavedFields || (f[0] != "S" && f[0] != "C") || f[1].size() != 1 ||
      (f[1][0] != kBaralhoSujo && f[1][0] != kBaralhoLimpo) || (f[2] != "0" && f[2] != "1")) {
    return std::nullopt;
  }
  JointDeal d(f[0] == "S" ? Side::Host : Side::Guest, entropy);
  d.NewHand(f[1][0], f[2] == "1");
  const std::size_t size = d.deck_.size();
  const auto secret = DealFromText(f[3]);
  if (!secret || !CanonicalScalar(*secret)) return std::nullopt;
  d.secret_ = *secret;
  crypto_core_ristretto255_scalar_invert(Data(d.inverse_), d.secret_.data());
  if (f[4] != "-") {
    const auto commitment = DealFromText(f[4]);
    if (!commitment) return std::nullopt;
    d.peer_commitment_ = *commitment;
    d.have_peer_commitment_ = true;
  }
  if (!ParsePoints(f[5], size, d.first_) || !ParsePermutation(f[6], size, d.first_cards_) ||
      !ParsePoints(f[7], size, d.final_) || !ParsePermutation(f[8], size, d.final_from_) ||
      !ParsePoints(f[9], size, d.blinded_)) {
    return std::nullopt;
  }
  // The lists must be the ones this side's steps make, in its step order, with its own secret.
  auto times_secret = [&d](const DealBytes& point, const DealBytes& expected) {
    return Mul(d.secret_, point) == expected;
  };
  if (d.side_ == Side::Host) {
    if (d.first_.empty() || d.first_cards_.size() != size || !d.final_from_.empty() ||
        !d.blinded_.empty() || d.final_.empty() != !d.have_peer_commitment_) {
      return std::nullopt;
    }
    for (std::size_t i = 0; i < size; ++i) {
      if (!times_secret(CardPoint(d.deck_[d.first_cards_[i]]), d.first_[i])) return std::nullopt;
    }
  } else {
    if (!d.have_peer_commitment_ || d.first_.empty() || !d.first_cards_.empty() ||
        d.blinded_.size() != size || d.final_.empty() != d.final_from_.empty()) {
      return std::nullopt;
    }
    for (std::size_t i = 0; i < size; ++i) {
      if (!times_secret(d.first_[i], d.blinded_[i])) return std::nullopt;
    }
    for (std::size_t i = 0; i < d.final_.size(); ++i) {
      if (d.final_[i] != d.blinded_[d.final_from_[i]]) return std::nullopt;
    }
  }
  auto card_of = [&d, size](std::string_view t, std::optional<Card>& card) {
    card.reset();
    if (t == "-") return true;
    const auto n = SmallNumber(t, static_cast<std::uint32_t>(size));
    if (!n) return false;
    card = d.deck_[*n];
    return true;
  };
  const auto own = SplitFields(f[10], ',');
  const auto openings = SplitFields(f[12], ',');
  const auto announced = SplitFields(f[13], ',');
  const auto plays = SplitFields(f[14], ',');
  if (own.size() != 3 || openings.size() != kDealPositions || announced.size() != kDealPositions ||
      plays.size() != kDealPositions) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < 3; ++i) {
    if (!card_of(own[i], d.own_[i])) return std::nullopt;
  }
  if (!card_of(f[11], d.vira_) || (d.vira_ && !d.vira_turned_)) return std::nullopt;
  for (int p = 1; p <= kDealPositions; ++p) {
    const auto i = static_cast<std::size_t>(p);
    const std::string_view o = openings[i - 1];
    if (o != "-") {
      d.openings_[i] = DealFromText(o);
      if (!d.openings_[i] || d.final_.empty()) return std::nullopt;
    }
    if (!card_of(announced[i - 1], d.announced_[i])) return std::nullopt;
    const std::string_view x = plays[i - 1];
    if (x.size() != 2 || x[0] < '0' || x[0] > '9' || (x[1] != '0' && x[1] != '1')) {
      return std::nullopt;
    }
    d.plays_[i] = x[0] - '0';
    d.hidden_[i] = x[1] == '1';
    if (!d.PeerPosition(p) && (d.announced_[i] || d.plays_[i] != 0 || d.hidden_[i])) {
      return std::nullopt;
    }
    // A card of this side is known exactly when its opening came, and is the card it opens to.
    const bool mine = d.OwnPosition(p) || (p == kViraPosition && d.vira_turned_);
    const std::optional<Card> opened = d.OpenedCard(p);
    if (!mine && d.openings_[i]) return std::nullopt;
    if (mine && opened.has_value() != d.openings_[i].has_value()) return std::nullopt;
    if (opened && Mul(d.inverse_, *d.openings_[i]) != CardPoint(*opened)) return std::nullopt;
  }
  d.Remember(d.first_);
  d.Remember(d.final_);
  return d;
}

}  // namespace truco::net
