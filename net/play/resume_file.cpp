#include "net/play/resume_file.h"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

#include "engine/ladder.h"
#include "engine/rules.h"
#include "net/wire/text_fields.h"

namespace truco::net {
namespace {

constexpr std::string_view kHeader = "truco-zanforte resume 1";
constexpr std::size_t kMaxNameBytes = 64;
constexpr std::size_t kMaxTableKeyBytes = 512;

std::optional<std::int64_t> Number(std::string_view text, std::int64_t max) {
  if (text.empty() || text.size() > 15) return std::nullopt;
  std::int64_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n > max) return std::nullopt;
  return n;
}

std::string CardText(const std::optional<Card>& card) {
  if (!card) return "-";
  return std::to_string(card->Value) + "-" + std::to_string(static_cast<int>(card->suit));
}

// A card, or "-" for none; false when the text is neither.
bool ParseCard(std::string_view text, std::optional<Card>& card) {
  card.reset();
  if (text == "-") return true;
  const auto parts = SplitFields(text, '-');
  if (parts.size() != 2) return false;
  const auto value = Number(parts[0], kRei);
  const auto suit = Number(parts[1], kNumSuits - 1);
  if (!value || !suit || *value < kAce || (*value > 7 && *value < kValete)) return false;
  card = Card{static_cast<std::uint8_t>(*value), static_cast<Suit>(*suit)};
  return true;
}

char Letter(char c) {
  return c == 'S' || c == 'C' || c == 'B' || c == 'E' ? c : '-';
}
std::optional<char> ParseLetter(std::string_view text, std::string_view allowed) {
  if (text.size() != 1 || allowed.find(text[0]) == std::string_view::npos) return std::nullopt;
  return text[0] == '-' ? ' ' : text[0];
}

std::string SettingsText(char deck, ManilhaMode mode, int eleven_mode) {
  return std::string{deck, ',', mode == ManilhaMode::Nova ? '1' : '0', ',',
                     static_cast<char>('0' + (eleven_mode == 1 ? 1 : 0))};
}
bool ParseSettings(std::string_view text, char& deck, ManilhaMode& mode, int& eleven_mode) {
  const auto p = SplitFields(text, ',');
  if (p.size() != 3 || p[0].size() != 1 || (p[0][0] != kBaralhoSujo && p[0][0] != kBaralhoLimpo)) {
    return false;
  }
  if ((p[1] != "0" && p[1] != "1") || (p[2] != "0" && p[2] != "1")) return false;
  deck = p[0][0];
  mode = p[1] == "1" ? ManilhaMode::Nova : ManilhaMode::Velha;
  eleven_mode = p[2] == "1" ? 1 : 0;
  return true;
}

bool ParsePair(std::string_view text, std::array<int, 2>& out, int max) {
  const auto p = SplitFields(text, ',');
  if (p.size() != 2) return false;
  for (std::size_t i = 0; i < 2; ++i) {
    const auto n = Number(p[i], max);
    if (!n) return false;
    out[i] = static_cast<int>(*n);
  }
  return true;
}

char OutcomeLetter(Outcome o) {
  switch (o) {
    case Outcome::Own:
      return 'O';
    case Outcome::Opponent:
      return 'P';
    case Outcome::Tie:
      return 'T';
    case Outcome::None:
      break;
  }
  return '-';
}

bool Stake(std::int64_t n) {
  return n == 1 || n == 3 || n == 6 || n == 9 || n == 12;
}

// Whether the kept hand could have been dealt and played: cards of the deck, no card twice (the
// vira too when it fixes the manilhas), each slot played once, tricks in order, nothing face down
// in trick 1, a stake of the ladder and a waiting call that is its next rung.
bool SoundHand(const HandState& h) {
  const auto values = DeckValues(h.deck);
  std::vector<Card> seen;
  auto take = [&](const std::optional<Card>& card) {
    if (!card) return true;
    if (std::find(values.begin(), values.end(), card->Value) == values.end()) return false;
    for (const Card& other : seen) {
      if (other.Value == card->Value && other.suit == card->suit) return false;
    }
    seen.push_back(*card);
    return true;
  };
  for (const auto& hand : h.cards) {
    for (const auto& card : hand) {
      if (!take(card)) return false;
    }
  }
  if (h.mode == ManilhaMode::Nova && !take(h.vira)) return false;
  for (std::size_t seat = 0; seat < 2; ++seat) {
    std::array<bool, 3> used{};
    if (h.hidden[seat][1]) return false;
    for (std::size_t k = 1; k <= 3; ++k) {
      const int slot = h.slot[seat][k];
      if (slot < 0) {
        if (h.hidden[seat][k]) return false;
        continue;
      }
      if (used[static_cast<std::size_t>(slot)]) return false;
      used[static_cast<std::size_t>(slot)] = true;
      if (k > 1 && (h.slot[0][k - 1] < 0 || h.slot[1][k - 1] < 0)) return false;
    }
  }
  if (!Stake(h.stake)) return false;
  if (h.pending_stake != 0) {
    const auto next = NextCall(h.stake);
    if (!next || Info(*next).stake != h.pending_stake) return false;
    if (h.caller == ' ' || h.turn_before_call == ' ' || h.eleven != ' ') return false;
  }
  return true;
}

}  // namespace

std::string EncodeResumeFile(const ResumeRecord& record) {
  const NetworkedHand::ResumeState& s = record.state;
  std::string text(kHeader);
  text += '\n';
  auto line = [&text](std::string_view key, const std::string& value) {
    text += key;
    text += '=';
    text += value;
    text += '\n';
  };
  auto clean = [](std::string name, std::size_t max = kMaxNameBytes) {
    for (char& c : name) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    return name.substr(0, max);
  };
  line("own", clean(record.own_name));
  line("opponent", clean(s.opponent_name));
  if (!s.table_key.empty()) line("table", clean(s.table_key, kMaxTableKeyBytes));
  line("written", std::to_string(std::max<std::int64_t>(0, record.written_ms)));
  line("points", std::to_string(s.points[0]) + "," + std::to_string(s.points[1]));
  line("games", std::to_string(s.games[0]) + "," + std::to_string(s.games[1]));
  line("counter", std::to_string(std::max(0, s.hand_counter)));
  line("settings",
       SettingsText(s.settings.deck_type, s.settings.manilha_mode, s.settings.eleven_mode));
  if (s.deal) line("deal", s.deal->SavedText());
  if (s.hand) {
    const HandState& h = *s.hand;
    line("hand.settings", SettingsText(h.deck, h.mode, h.eleven_mode));
    std::string manilhas;
    for (std::size_t i = 0; i < h.manilhas.size(); ++i) {
      if (i > 0) manilhas += ',';
      manilhas += std::to_string(h.manilhas[i]);
    }
    line("hand.manilhas", manilhas);
    for (std::size_t seat = 0; seat < 2; ++seat) {
      std::string cards;
      for (std::size_t i = 0; i < 3; ++i) {
        if (i > 0) cards += ',';
        cards += CardText(h.cards[seat][i]);
      }
      line(seat == kHostSeat ? "hand.host" : "hand.guest", cards);
    }
    line("hand.vira", CardText(h.vira) + (h.vira_dealt ? ",1" : ",0"));
    std::string tricks;
    for (std::size_t t = 1; t <= 3; ++t) {
      if (t > 1) tricks += ',';
      tricks += std::string{static_cast<char>('0' + h.slot[kHostSeat][t] + 1),
                            h.hidden[kHostSeat][t] ? '1' : '0',
                            static_cast<char>('0' + h.slot[kGuestSeat][t] + 1),
                            h.hidden[kGuestSeat][t] ? '1' : '0',
                            Letter(h.leader[t]),
                            OutcomeLetter(h.outcome[t])};
    }
    line("hand.tricks", tricks);
    line("hand.state", std::string{Letter(h.turn)} + "," + std::to_string(h.stake) + "," +
                           std::to_string(h.pending_stake) + "," + Letter(h.caller) + "," +
                           Letter(h.turn_before_call) + "," + Letter(h.raise_right) + "," +
                           Letter(h.eleven) + "," + (h.eleven_decided ? "1" : "0") + "," +
                           (h.eleven_dark ? "1" : "0"));
  }
  return text;
}

std::optional<ResumeRecord> DecodeResumeFile(std::string_view bytes) {
  if (static_cast<std::int64_t>(bytes.size()) > kMaxResumeFileBytes) return std::nullopt;
  const auto lines = SplitFields(bytes, '\n');
  if (lines.empty() || lines[0] != kHeader) return std::nullopt;
  std::map<std::string_view, std::string_view> fields;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const std::size_t eq = lines[i].find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    if (!fields.emplace(lines[i].substr(0, eq), lines[i].substr(eq + 1)).second) {
      return std::nullopt;  // a key twice
    }
  }
  auto get = [&fields](std::string_view key) -> std::optional<std::string_view> {
    const auto it = fields.find(key);
    if (it == fields.end()) return std::nullopt;
    return it->second;
  };
  ResumeRecord r;
  NetworkedHand::ResumeState& s = r.state;
  const auto own = get("own");
  const auto opponent = get("opponent");
  const auto written = get("written");
  const auto points = get("points");
  const auto games = get("games");
  const auto counter = get("counter");
  const auto settings = get("settings");
  if (!own || !opponent || !written || !points || !games || !counter || !settings) {
    return std::nullopt;
  }
  if (own->size() > kMaxNameBytes || opponent->size() > kMaxNameBytes) return std::nullopt;
  r.own_name = std::string(*own);
  if (const auto table = get("table")) {
    // A game of a direct connection has no line; one of a table never an empty one.
    if (table->empty() || table->size() > kMaxTableKeyBytes) return std::nullopt;
    s.table_key = std::string(*table);
  }
  s.opponent_name = std::string(*opponent);
  const auto when = Number(*written, std::int64_t{1} << 50);
  const auto count = Number(*counter, 1'000'000'000);
  if (!when || !count) return std::nullopt;
  r.written_ms = *when;
  s.hand_counter = static_cast<int>(*count);
  if (!ParsePair(*points, s.points, kHandOfEleven) || !ParsePair(*games, s.games, 1'000'000)) {
    return std::nullopt;
  }
  char deck = kBaralhoLimpo;
  ManilhaMode mode = ManilhaMode::Nova;
  int eleven_mode = 0;
  if (!ParseSettings(*settings, deck, mode, eleven_mode)) return std::nullopt;
  s.settings.deck_type = deck;
  s.settings.manilha_mode = mode;
  s.settings.eleven_mode = eleven_mode;

  if (const auto deal = get("deal")) {
    // The deal takes its next secret from the game's own randomness once it goes on.
    static DealEntropy unbound;
    s.deal = JointDeal::Restore(*deal, unbound);
    if (!s.deal || !s.deal->HandId()) return std::nullopt;
  }
  const auto hand_settings = get("hand.settings");
  // A guest's file keeps its deal and nothing of the hand: the host sends the rest.
  if (s.deal && s.deal->side() == Side::Guest && hand_settings) return std::nullopt;
  if (!hand_settings) return r;  // cut between hands
  const auto manilhas = get("hand.manilhas");
  const auto host = get("hand.host");
  const auto guest = get("hand.guest");
  const auto vira = get("hand.vira");
  const auto tricks = get("hand.tricks");
  const auto state = get("hand.state");
  if (!manilhas || !host || !guest || !vira || !tricks || !state) return std::nullopt;
  HandState h;
  if (!ParseSettings(*hand_settings, h.deck, h.mode, h.eleven_mode)) return std::nullopt;
  const auto m = SplitFields(*manilhas, ',');
  if (m.size() != h.manilhas.size()) return std::nullopt;
  for (std::size_t i = 0; i < m.size(); ++i) {
    const auto v = Number(m[i], kRei);
    if (!v) return std::nullopt;
    h.manilhas[i] = static_cast<std::uint8_t>(*v);
  }
  for (std::size_t seat = 0; seat < 2; ++seat) {
    const auto c = SplitFields(seat == kHostSeat ? *host : *guest, ',');
    if (c.size() != 3) return std::nullopt;
    for (std::size_t i = 0; i < 3; ++i) {
      // The host knows every card of the hand, but for a joint deal only the guest's it saw.
      if (!ParseCard(c[i], h.cards[seat][i])) return std::nullopt;
      if (!h.cards[seat][i] && (seat == kHostSeat || !s.deal)) return std::nullopt;
    }
  }
  const auto v = SplitFields(*vira, ',');
  if (v.size() != 2 || (v[1] != "0" && v[1] != "1")) return std::nullopt;
  if (!ParseCard(v[0], h.vira)) return std::nullopt;
  h.vira_dealt = v[1] == "1";
  const auto t = SplitFields(*tricks, ',');
  if (t.size() != 3) return std::nullopt;
  for (std::size_t k = 1; k <= 3; ++k) {
    const std::string_view x = t[k - 1];
    if (x.size() != 6) return std::nullopt;
    for (std::size_t seat = 0; seat < 2; ++seat) {
      const char slot = x[seat * 2];
      const char hidden = x[seat * 2 + 1];
      if (slot < '0' || slot > '3' || (hidden != '0' && hidden != '1')) return std::nullopt;
      h.slot[seat][k] = slot - '0' - 1;
      h.hidden[seat][k] = hidden == '1';
    }
    const auto leader = ParseLetter(x.substr(4, 1), "SC-");
    if (!leader) return std::nullopt;
    h.leader[k] = *leader == ' ' ? char{} : *leader;
    switch (x[5]) {
      case 'O':
        h.outcome[k] = Outcome::Own;
        break;
      case 'P':
        h.outcome[k] = Outcome::Opponent;
        break;
      case 'T':
        h.outcome[k] = Outcome::Tie;
        break;
      case '-':
        break;
      default:
        return std::nullopt;
    }
  }
  const auto f = SplitFields(*state, ',');
  if (f.size() != 9) return std::nullopt;
  const auto turn = ParseLetter(f[0], "SC-");
  const auto stake = Number(f[1], 12);
  const auto pending = Number(f[2], 12);
  const auto caller = ParseLetter(f[3], "SC-");
  const auto before = ParseLetter(f[4], "SC-");
  const auto right = ParseLetter(f[5], "SC-");
  const auto eleven = ParseLetter(f[6], "SCB-");
  if (!turn || !stake || !pending || !caller || !before || !right || !eleven) return std::nullopt;
  if (!Stake(*stake) || (*pending != 0 && !Stake(*pending))) return std::nullopt;
  if ((f[7] != "0" && f[7] != "1") || (f[8] != "0" && f[8] != "1")) return std::nullopt;
  h.turn = *turn;
  h.stake = static_cast<int>(*stake);
  h.pending_stake = static_cast<int>(*pending);
  h.caller = *caller;
  h.turn_before_call = *before;
  h.raise_right = *right;
  h.eleven = *eleven;
  h.eleven_decided = f[7] == "1";
  h.eleven_dark = f[8] == "1";
  if (!SoundHand(h)) return std::nullopt;
  if (s.deal) {
    // The hand's own cards and vira are the ones its deal opened.
    if (!s.deal->Dealt() || h.deck != s.deal->deck_type() ||
        (h.mode == ManilhaMode::Nova && h.vira != s.deal->Vira())) {
      return std::nullopt;
    }
    for (int slot = 1; slot <= 3; ++slot) {
      if (h.cards[kHostSeat][static_cast<std::size_t>(slot - 1)] != s.deal->OwnCard(slot)) {
        return std::nullopt;
      }
    }
  }
  s.hand = h;
  return r;
}

}  // namespace truco::net
