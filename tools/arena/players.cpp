#include "tools/arena/players.h"

#include <algorithm>

#include "opponent/computer.h"
#include "opponent/forte.h"
#include "opponent/mestre.h"

namespace truco::arena {
namespace {

constexpr int kThreeStrength = 9;

int CountManilhas(const GameState& s) {
  return static_cast<int>(
      std::count_if(s.computer_hand.begin(), s.computer_hand.end(),
                    [](const HandSlot& h) { return h.strength >= kFirstManilhaStrength; }));
}

bool HasThree(const GameState& s) {
  return std::any_of(s.computer_hand.begin(), s.computer_hand.end(),
                     [](const HandSlot& h) { return h.strength == kThreeStrength; });
}

CallReply Accept() {
  return {CallAnswer::Accept, "Pode jogar Marreco"};
}
CallReply Run(Rung rung) {
  return {CallAnswer::Run,
          "Corro\rVocê Ganhou " + std::to_string(Info(rung).run_value) + " Tento(s)"};
}

}  // namespace

// --- random ---------------------------------------------------------------------------------

int RandomJudgement::PickInHand(const GameState& s) const {
  std::array<int, 3> slots{};
  int n = 0;
  for (int i = 0; i < 3; ++i) {
    if (!s.computer_hand[static_cast<std::size_t>(i)].played)
      slots[static_cast<std::size_t>(n++)] = i;
  }
  return n == 0 ? 0 : slots[static_cast<std::size_t>(random_.Uniform(n))];
}

AnswerChoice RandomJudgement::ChooseAnswer(const GameState& s, int p) const {
  const int slot = PickInHand(s);
  return {slot, AnswerResult(s, p, s.computer_hand[static_cast<std::size_t>(slot)].strength)};
}

LeadChoice RandomJudgement::ChooseLead(const GameState& s) const {
  return {PickInHand(s), MayCallBeforeLead(s)};
}

bool RandomJudgement::WantsLeadCall(const GameState&) const {
  return random_.Uniform(2) == 0;
}

bool RandomJudgement::WantsThirdTrickCall(const GameState&, int, int) const {
  return random_.Uniform(2) == 0;
}

CallReply RandomJudgement::AnswerCall(const GameState&, Rung rung) const {
  const int n = random_.Uniform(NextRung(rung) ? 3 : 2);
  if (n == 0) return Accept();
  if (n == 1) return Run(rung);
  return {CallAnswer::Raise, ""};
}

bool RandomJudgement::PlaysHandOfEleven(const GameState&) const {
  return random_.Uniform(2) == 0;
}

// --- greedy ---------------------------------------------------------------------------------

AnswerChoice GreedyJudgement::ChooseAnswer(const GameState& s, int p) const {
  int cheapest_win = -1;
  int weakest = -1;
  for (int i = 0; i < 3; ++i) {
    const HandSlot& h = s.computer_hand[static_cast<std::size_t>(i)];
    if (h.played) continue;
    // Slots run weakest first, so the first winner is the cheapest one.
    if (cheapest_win < 0 && h.strength > p) cheapest_win = i;
    if (weakest < 0) weakest = i;
  }
  const int slot = cheapest_win >= 0 ? cheapest_win : std::max(weakest, 0);
  return {slot, AnswerResult(s, p, s.computer_hand[static_cast<std::size_t>(slot)].strength)};
}

LeadChoice GreedyJudgement::ChooseLead(const GameState& s) const {
  for (int i = 2; i >= 0; --i) {
    if (!s.computer_hand[static_cast<std::size_t>(i)].played) return {i, MayCallBeforeLead(s)};
  }
  return {0, false};
}

bool GreedyJudgement::WantsLeadCall(const GameState& s) const {
  const int manilhas = CountManilhas(s);
  return manilhas >= 2 || (manilhas == 1 && HasThree(s));
}

bool GreedyJudgement::WantsThirdTrickCall(const GameState& s, int, int) const {
  return WantsLeadCall(s);
}

CallReply GreedyJudgement::AnswerCall(const GameState& s, Rung rung) const {
  return CountManilhas(s) >= 1 ? Accept() : Run(rung);
}

bool GreedyJudgement::PlaysHandOfEleven(const GameState& s) const {
  return CountManilhas(s) >= 1 || HasThree(s);
}

// --- by name --------------------------------------------------------------------------------

namespace {
std::string& MestreDataPath() {
  static std::string path = TRUCO_MESTRE_DATA;
  return path;
}
}  // namespace

void SetMestreDataPath(const std::string& path) {
  MestreDataPath() = path;
}

const MestreData& ArenaMestreData() {
  static const MestreData data = ReadMestreData(MestreDataPath());
  return data;
}

const std::vector<std::string>& PlayerNames() {
  static const std::vector<std::string> names{"classic", "random", "greedy", "forte", "mestre"};
  return names;
}

bool IsPlayerName(const std::string& name) {
  const auto& names = PlayerNames();
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::unique_ptr<Judgement> MakePlayer(const std::string& name, std::uint64_t seed,
                                      int forte_samples) {
  if (name == "classic") return std::make_unique<ComputerJudgement>();
  if (name == "random") return std::make_unique<RandomJudgement>(seed);
  if (name == "greedy") return std::make_unique<GreedyJudgement>();
  if (name == "forte") return std::make_unique<ForteJudgement>(seed, forte_samples);
  if (name == "mestre") {
    const MestreData& data = ArenaMestreData();
    if (!data.model) return nullptr;
    return std::make_unique<MestreJudgement>(*data.model, seed, forte_samples);
  }
  return nullptr;
}

}  // namespace truco::arena
