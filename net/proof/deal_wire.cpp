#include "net/proof/deal_wire.h"

#include <sodium.h>

#include <algorithm>
#include <array>

namespace truco::proof {
namespace {

constexpr int kVariant = sodium_base64_VARIANT_URLSAFE_NO_PADDING;
constexpr std::array<int, 10> kSujoValues{1, 2, 3, 4, 5, 6, 7, 12, 11, 13};
constexpr std::array<int, 6> kLimpoValues{1, 2, 3, 11, 12, 13};
constexpr std::size_t kSuits = 4;

std::span<const int> DeckValues(std::size_t deck_size) {
  if (deck_size == kSujoValues.size() * kSuits) return kSujoValues;
  if (deck_size == kLimpoValues.size() * kSuits) return kLimpoValues;
  return {};
}

void AppendField(std::string& out, std::span<const std::uint8_t> bytes) {
  std::array<char, sodium_base64_ENCODED_LEN(kElementBytes, kVariant)> text{};
  sodium_bin2base64(text.data(), text.size(), bytes.data(), bytes.size(), kVariant);
  out += ',';
  out.append(text.data(), kFieldChars);
}

// The 32 bytes of a field's one text, or nothing.
std::optional<std::array<std::uint8_t, kElementBytes>> FieldBytes(std::string_view text) {
  if (text.size() != kFieldChars) return std::nullopt;
  std::array<std::uint8_t, kElementBytes> bytes{};
  std::size_t length = 0;
  const char* end = nullptr;
  // libsodium refuses a last character with its spare bits set: one text per 32 bytes.
  if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length,
                        &end, kVariant) != 0 ||
      length != kElementBytes || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return bytes;
}

// A decimal number from 1 to 999 without leading zeros.
std::optional<std::size_t> Number(std::string_view text) {
  if (text.empty() || text.size() > 3 || text[0] == '0') return std::nullopt;
  std::size_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<std::size_t>(c - '0');
  }
  return n;
}

std::vector<std::string_view> Split(std::string_view body) {
  std::vector<std::string_view> out;
  std::size_t at = 0;
  while (true) {
    const std::size_t comma = body.find(',', at);
    out.push_back(body.substr(at, comma == std::string_view::npos ? comma : comma - at));
    if (comma == std::string_view::npos) return out;
    at = comma + 1;
  }
}

std::string Head(char kind, std::size_t party) {
  std::string out(1, kind);
  out += std::to_string(party + 1);
  return out;
}

// The fields of a shuffle: the list, then the proof (docs/proofs.md's order), n + 6n − 1.
std::size_t ShuffleFields(std::size_t n) {
  return 7 * n - 1;
}
std::size_t ShuffleParts(std::size_t n) {
  return (ShuffleFields(n) + kShuffleFieldsPerPart - 1) / kShuffleFieldsPerPart;
}
std::size_t PartFields(std::size_t n, std::size_t part) {  // part from 0
  const std::size_t before = part * kShuffleFieldsPerPart;
  return std::min(kShuffleFieldsPerPart, ShuffleFields(n) - before);
}
// Whether field k (from 0) of a shuffle over n cards is a point: the list, then A, C and D.
bool ShuffleFieldIsPoint(std::size_t n, std::size_t k) {
  return k < n + 2 * n + (n - 2);
}

std::optional<WireFault> CheckPointField(std::string_view text, Bytes& out) {
  const auto bytes = FieldBytes(text);
  if (!bytes) return WireFault::BadBase64;
  if (!PointFromBytes(*bytes)) return WireFault::BadPoint;
  out.insert(out.end(), bytes->begin(), bytes->end());
  return std::nullopt;
}

std::optional<WireFault> CheckScalarField(std::string_view text, Bytes& out) {
  const auto bytes = FieldBytes(text);
  if (!bytes) return WireFault::BadBase64;
  if (!CanonicalScalar(*bytes)) return WireFault::BadScalar;
  out.insert(out.end(), bytes->begin(), bytes->end());
  return std::nullopt;
}

Point ToPoint(std::span<const std::uint8_t> bytes) {
  Point p;
  std::copy(bytes.begin(), bytes.end(), p.bytes.begin());
  return p;
}

Bytes LittleEndian(std::uint64_t n) {
  Bytes out(8);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(n >> (8 * i));
  return out;
}

Bytes TextBytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

Bytes PointBytes(std::span<const Point> points) {
  Bytes out;
  for (const Point& p : points) Append(out, p);
  return out;
}

void Frame(Bytes& out, std::uint8_t tag, std::string_view label, std::uint64_t size) {
  out.push_back(tag);
  const Bytes n = LittleEndian(label.size());
  out.insert(out.end(), n.begin(), n.end());
  out.insert(out.end(), label.begin(), label.end());
  const Bytes s = LittleEndian(size);
  out.insert(out.end(), s.begin(), s.end());
}

}  // namespace

bool ShapeValid(const HandShape& shape) {
  return shape.parties >= kMinParties && shape.parties <= kMaxParties &&
         !DeckValues(shape.deck_size).empty() && ViraPosition(shape.parties) < shape.deck_size;
}

std::optional<WireCard> CardOfIndex(std::size_t deck_size, std::size_t index) {
  const auto values = DeckValues(deck_size);
  if (index >= values.size() * kSuits) return std::nullopt;
  return WireCard{values[index / kSuits], static_cast<int>(index % kSuits) + 1};
}

std::optional<std::size_t> IndexOfCard(std::size_t deck_size, WireCard card) {
  const auto values = DeckValues(deck_size);
  const auto at = std::find(values.begin(), values.end(), card.value);
  if (at == values.end() || card.suit < 1 || card.suit > static_cast<int>(kSuits)) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(at - values.begin()) * kSuits +
         static_cast<std::size_t>(card.suit - 1);
}

std::vector<Point> WireDeck(std::size_t deck_size) {
  std::vector<Point> deck;
  for (std::size_t i = 0; i < DeckValues(deck_size).size() * kSuits; ++i) {
    const WireCard card = *CardOfIndex(deck_size, i);
    deck.push_back(HashToPoint("truco-zanforte/v3/card/" + std::to_string(card.value) + "-" +
                               std::to_string(card.suit)));
  }
  return deck;
}

std::vector<std::string> EncodeDeal(const DealMessage& m, const HandShape& shape) {
  switch (m.kind) {
    case MessageKind::Key: {
      std::string line = Head(kKindKey, m.party);
      for (const Point& p : m.points) AppendField(line, p.bytes);
      return {line};
    }
    case MessageKind::Shuffle: {
      Bytes all = PointBytes(m.points);
      all.insert(all.end(), m.proof.begin(), m.proof.end());
      const std::size_t fields = all.size() / kElementBytes;
      std::vector<std::string> lines;
      for (std::size_t first = 0; first < fields; first += kShuffleFieldsPerPart) {
        std::string line = Head(kKindList, m.party);
        line += ',';
        line += std::to_string(lines.size() + 1);
        const std::size_t last = std::min(fields, first + kShuffleFieldsPerPart);
        for (std::size_t k = first; k < last; ++k) {
          AppendField(line, std::span(all).subspan(k * kElementBytes, kElementBytes));
        }
        lines.push_back(std::move(line));
      }
      return lines;
    }
    case MessageKind::Opening:
    case MessageKind::Announce: {
      const bool opening = m.kind == MessageKind::Opening;
      std::string line = Head(opening ? kKindOpening : kKindAnnounce, m.party);
      line += ',';
      line += std::to_string(m.position + 1);
      if (opening) {
        for (const Point& p : m.points) AppendField(line, p.bytes);
      } else {
        const WireCard card = CardOfIndex(shape.deck_size, m.card).value_or(WireCard{0, 0});
        line += ',' + std::to_string(card.value) + '-' + std::to_string(card.suit);
      }
      for (std::size_t at = 0; at + kElementBytes <= m.proof.size(); at += kElementBytes) {
        AppendField(line, std::span(m.proof).subspan(at, kElementBytes));
      }
      return {line};
    }
  }
  return {};
}

std::string EncodeFaceDown(const FaceDown& play) {
  return Head(kKindFaceDown, play.party) + ',' + std::to_string(play.slot + 1) + ',' +
         std::to_string(play.trick);
}

std::string_view FaultText(WireFault fault) {
  switch (fault) {
    case WireFault::Empty:
      return "empty line";
    case WireFault::TooLong:
      return "line over the limit";
    case WireFault::UnknownKind:
      return "unknown kind";
    case WireFault::BadForm:
      return "fields out of form";
    case WireFault::BadParty:
      return "no such party";
    case WireFault::BadPosition:
      return "no such position, slot or trick";
    case WireFault::BadCard:
      return "no such card";
    case WireFault::BadBase64:
      return "a field that is not 32 bytes of base64url";
    case WireFault::BadPoint:
      return "a point that is no group element or the identity";
    case WireFault::BadScalar:
      return "a scalar that is not canonical";
    case WireFault::PartOutOfOrder:
      return "a shuffle part out of order";
    case WireFault::PartSize:
      return "a shuffle part of the wrong size";
    case WireFault::PartMissing:
      return "another line before the shuffle was whole";
    case WireFault::NotCanonical:
      return "a line that is not the one text of its message";
    case WireFault::AfterFault:
      return "a line after a refused one";
  }
  return "unknown fault";
}

DealWireReader::DealWireReader(HandShape shape) : shape_(shape) {
  if (!ShapeValid(shape_)) failed_ = true;
}

WireItem DealWireReader::Refuse(WireFault fault) {
  failed_ = true;
  fields_.clear();
  fields_.shrink_to_fit();
  next_part_ = 0;
  return Refused{fault};
}

WireItem DealWireReader::Feed(std::string_view line) {
  WireItem item = Read(line);
  // The form above already admits one text per message; this keeps it so whatever changes.
  std::string again;
  if (const auto* m = std::get_if<DealMessage>(&item); m && m->kind != MessageKind::Shuffle) {
    again = EncodeDeal(*m, shape_).front();
  } else if (const auto* play = std::get_if<FaceDown>(&item)) {
    again = EncodeFaceDown(*play);
  } else {
    return item;
  }
  if (again != line) return Refuse(WireFault::NotCanonical);
  return item;
}

WireItem DealWireReader::Read(std::string_view line) {
  if (failed_) return Refused{WireFault::AfterFault};
  if (line.empty()) return Refuse(WireFault::Empty);
  if (line.size() > kWireLineBytes) return Refuse(WireFault::TooLong);
  const char kind = line[0];
  if (kind != kKindKey && kind != kKindList && kind != kKindOpening && kind != kKindAnnounce &&
      kind != kKindFaceDown) {
    return Refuse(WireFault::UnknownKind);
  }
  const std::vector<std::string_view> fields = Split(line.substr(1));
  const auto party_number = Number(fields[0]);
  if (!party_number) return Refuse(WireFault::BadForm);
  if (*party_number > shape_.parties) return Refuse(WireFault::BadParty);
  const std::size_t party = *party_number - 1;
  if (kind == kKindList) {
    if (fields.size() < 2) return Refuse(WireFault::BadForm);
    const auto part = Number(fields[1]);
    if (!part) return Refuse(WireFault::BadForm);
    return Part(party, *part - 1, std::span(fields).subspan(2));
  }
  if (Assembling()) return Refuse(WireFault::PartMissing);

  DealMessage m;
  m.party = party;
  Bytes bytes;
  std::optional<WireFault> fault;
  switch (kind) {
    case kKindKey:
      if (fields.size() != 2) return Refuse(WireFault::BadForm);
      m.kind = MessageKind::Key;
      fault = CheckPointField(fields[1], bytes);
      if (fault) return Refuse(*fault);
      m.points = {ToPoint(bytes)};
      return m;
    case kKindFaceDown: {
      if (fields.size() != 3) return Refuse(WireFault::BadForm);
      const auto slot = Number(fields[1]);
      const auto trick = Number(fields[2]);
      if (!slot || !trick) return Refuse(WireFault::BadForm);
      // Face down only from the second trick.
      if (*slot > 3 || *trick < 2 || *trick > 3) return Refuse(WireFault::BadPosition);
      return FaceDown{party, *slot - 1, static_cast<int>(*trick)};
    }
    default:
      break;
  }
  // An opening or an announce: position, point or card, then the proof's two scalars.
  if (fields.size() != 5) return Refuse(WireFault::BadForm);
  const auto position = Number(fields[1]);
  if (!position) return Refuse(WireFault::BadForm);
  if (*position > shape_.deck_size) return Refuse(WireFault::BadPosition);
  m.position = *position - 1;
  if (kind == kKindOpening) {
    m.kind = MessageKind::Opening;
    fault = CheckPointField(fields[2], bytes);
    if (fault) return Refuse(*fault);
    m.points = {ToPoint(bytes)};
  } else {
    m.kind = MessageKind::Announce;
    const std::string_view card = fields[2];
    const std::size_t dash = card.find('-');
    if (dash == std::string_view::npos) return Refuse(WireFault::BadForm);
    const auto value = Number(card.substr(0, dash));
    const auto suit = Number(card.substr(dash + 1));
    if (!value || !suit) return Refuse(WireFault::BadForm);
    const auto index =
        IndexOfCard(shape_.deck_size, WireCard{static_cast<int>(*value), static_cast<int>(*suit)});
    if (!index) return Refuse(WireFault::BadCard);
    m.card = *index;
  }
  for (std::size_t k = 3; k < 5; ++k) {
    fault = CheckScalarField(fields[k], m.proof);
    if (fault) return Refuse(*fault);
  }
  return m;
}

WireItem DealWireReader::Part(std::size_t party, std::size_t part,
                              std::span<const std::string_view> fields) {
  const std::size_t n = shape_.deck_size;
  if (part != next_part_ || (part > 0 && party != party_) || part >= ShuffleParts(n)) {
    return Refuse(WireFault::PartOutOfOrder);
  }
  if (fields.size() != PartFields(n, part)) return Refuse(WireFault::PartSize);
  if (part == 0) {
    party_ = party;
    fields_.clear();
    fields_.reserve(ShuffleFields(n) * kElementBytes);
  }
  const std::size_t first = part * kShuffleFieldsPerPart;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const auto fault = ShuffleFieldIsPoint(n, first + k) ? CheckPointField(fields[k], fields_)
                                                         : CheckScalarField(fields[k], fields_);
    if (fault) return Refuse(*fault);
  }
  if (part + 1 < ShuffleParts(n)) {
    next_part_ = part + 1;
    return Pending{};
  }
  DealMessage m;
  m.kind = MessageKind::Shuffle;
  m.party = party_;
  for (std::size_t k = 0; k < n; ++k) {
    m.points.push_back(ToPoint(std::span(fields_).subspan(k * kElementBytes, kElementBytes)));
  }
  m.proof.assign(fields_.begin() + static_cast<std::ptrdiff_t>(n * kElementBytes), fields_.end());
  next_part_ = 0;
  fields_.clear();
  return m;
}

std::vector<TranscriptItem> HandItems(const HandBinding& binding) {
  std::vector<TranscriptItem> items;
  items.push_back({"version", LittleEndian(kProvenDealVersion)});
  items.push_back({"parties", LittleEndian(binding.names.size())});
  for (const std::string& name : binding.names) items.push_back({"name", TextBytes(name)});
  items.push_back({"hand", LittleEndian(binding.hand)});
  return items;
}

std::vector<TranscriptItem> DealItems(std::size_t parties, std::span<const Point> deck) {
  return {{"deal", TextBytes("multi-party")},
          {"parties", LittleEndian(parties)},
          {"deck", PointBytes(deck)}};
}

std::vector<TranscriptItem> MessageItems(const DealMessage& m) {
  return {{"message", LittleEndian(static_cast<std::uint64_t>(m.kind))},
          {"party", LittleEndian(m.party)},
          {"position", LittleEndian(m.position)},
          {"card", LittleEndian(m.card)},
          {"points", PointBytes(m.points)},
          {"proof", m.proof}};
}

Bytes DomainBytes(std::string_view domain) {
  Bytes out;
  Frame(out, 'D', domain, 0);
  return out;
}

Bytes ItemBytes(std::span<const TranscriptItem> items) {
  Bytes out;
  for (const TranscriptItem& item : items) {
    Frame(out, 'A', item.label, item.data.size());
    out.insert(out.end(), item.data.begin(), item.data.end());
  }
  return out;
}

Transcript HandTranscript(const HandBinding& binding) {
  Transcript t(kProvenDealDomain);
  for (const TranscriptItem& item : HandItems(binding)) t.Append(item.label, item.data);
  return t;
}

}  // namespace truco::proof
