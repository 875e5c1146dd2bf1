// "Mestre": only legal moves, blind to the cards its seat cannot see, a data file that is used
// only when whole and unaltered, and "Dica", which names a legal move and never shows in a game
// between two people.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

#include "opponent/hint.h"
#include "opponent/mestre.h"
#include "opponent/mestre_data.h"
#include "tests/opponent/swap_probe.h"
#include "tools/arena/match.h"
#include "tools/arena/players.h"
#include "tools/arena/seats.h"

namespace truco {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr long kScale = 4;  // scaled down under the sanitizers
#else
constexpr long kScale = 1;
#endif

std::uint64_t TestSeed() {
  const char* env = std::getenv("TRUCO_TEST_SEED");
  const std::uint64_t seed = env ? std::strtoull(env, nullptr, 10) : 20261207;
  std::printf("seed %llu (TRUCO_TEST_SEED)\n", static_cast<unsigned long long>(seed));
  return seed;
}

const MestreModel& Model() {
  const MestreData& data = arena::ArenaMestreData();
  EXPECT_EQ(data.status, MestreDataStatus::Ok) << "the shipped mestre.dat";
  static const MestreModel empty{};
  return data.model ? *data.model : empty;
}

// --- legal moves and strength -----------------------------------------------------------------

TEST(MestreLegal, OnlyLegalMovesAndItBeatsRandomByAWideMargin) {
  // Not scaled down under the sanitizers: the margin is measured on the same 2,000 games.
  const long games = 2000;
  const arena::MatchResult r = arena::PlayMatch("mestre", "random", games, TestSeed());
  EXPECT_EQ(r.stuck, 0);
  EXPECT_EQ(r.side[0].illegal, 0);
  EXPECT_EQ(r.side[1].illegal, 0);
  EXPECT_EQ(r.side[0].games_won + r.side[1].games_won, r.games);
  // The classic computer wins 86 % against random; "Mestre" must do at least as well.
  EXPECT_GT(static_cast<double>(r.side[0].games_won), 0.85 * static_cast<double>(r.games));
}

// --- blindness ---------------------------------------------------------------------------------

TEST(MestreSeesOnlyItsSeat, SwappingThePlayersHiddenCardsChangesNoDecision) {
  MestreJudgement mestre(Model(), 3);
  std::mt19937 rng(static_cast<std::mt19937::result_type>(TestSeed()));
  SwapProbe probe(
      mestre, [&](const GameState& s) { return SwapHidden(s, kPlayerCards, kPlayerHandTop, rng); });
  auto player = arena::MakePlayer("forte", 9);  // it calls and answers, so every bet is asked
  for (std::uint64_t game = 0; game < static_cast<std::uint64_t>(60 / kScale); ++game) {
    arena::PlayOneGame(*player, probe, game);
  }
  EXPECT_GT(probe.asked, 600 / kScale);
  EXPECT_EQ(probe.differed, 0) << "of " << probe.asked;
}

// --- the data file -------------------------------------------------------------------------------

TEST(MestreData, OnlyAWholeUnalteredFileIsUsed) {
  const std::string bytes = EncodeMestreData(Model());
  const MestreData whole = DecodeMestreData(bytes);
  ASSERT_EQ(whole.status, MestreDataStatus::Ok);
  EXPECT_EQ(EncodeMestreData(*whole.model), bytes);  // nothing lost on the way

  std::mt19937 rng(static_cast<std::mt19937::result_type>(TestSeed()));
  for (int i = 0; i < 300; ++i) {
    const std::size_t cut = rng() % bytes.size();
    const MestreData d = DecodeMestreData(std::string_view(bytes).substr(0, cut));
    EXPECT_EQ(d.status, cut == 0 ? MestreDataStatus::Truncated : d.status);
    EXPECT_FALSE(d.model) << "cut at " << cut;
    EXPECT_NE(d.status, MestreDataStatus::Ok);
  }
  // Cut inside the payload: told as cut short.
  EXPECT_EQ(DecodeMestreData(std::string_view(bytes).substr(0, bytes.size() / 2)).status,
            MestreDataStatus::Truncated);
  // Any byte of the payload changed: the checksum does not match.
  for (int i = 0; i < 300; ++i) {
    std::string altered = bytes;
    const std::size_t at = 12 + rng() % (bytes.size() - 16);
    altered[at] = static_cast<char>(altered[at] ^ (1 + rng() % 255));
    EXPECT_EQ(DecodeMestreData(altered).status, MestreDataStatus::BadChecksum) << "byte " << at;
  }
  EXPECT_EQ(DecodeMestreData(bytes + "x").status, MestreDataStatus::Foreign);
  EXPECT_EQ(DecodeMestreData("[FRASES]\r\n").status, MestreDataStatus::Foreign);
}

TEST(MestreData, AMissingOrDamagedFileSaysSoAndThatForteWillPlay) {
  const std::string path = ::testing::TempDir() + "mestre_test.dat";
  std::remove(path.c_str());
  const MestreData missing = ReadMestreData(path);
  EXPECT_EQ(missing.status, MestreDataStatus::Missing);
  EXPECT_EQ(MestreDataProblem(missing.status, path),
            "O arquivo de dados do nível Mestre (" + path +
                ") não foi encontrado. O computador joga no nível Forte.");

  std::string bytes = EncodeMestreData(Model());
  bytes[bytes.size() - 1] = static_cast<char>(bytes[bytes.size() - 1] ^ 0x5A);
  std::ofstream(path, std::ios::binary) << bytes;
  const MestreData damaged = ReadMestreData(path);
  EXPECT_EQ(damaged.status, MestreDataStatus::BadChecksum);
  EXPECT_NE(MestreDataProblem(damaged.status, path).find("soma de verificação"), std::string::npos);

  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes.substr(0, 100);
  EXPECT_EQ(ReadMestreData(path).status, MestreDataStatus::Truncated);
  std::remove(path.c_str());
}

// --- Dica ----------------------------------------------------------------------------------------

// On the player's seat: before every move and every answer, the hint must name a move the player
// may make now, and none once the game is a networked one.
class HintProbe final : public Judgement {
 public:
  HintProbe(const Judgement& inner, const MestreJudgement& mestre)
      : inner_(inner), mestre_(mestre) {}
  void Bind(const Game& game) { game_ = &game; }

  AnswerChoice ChooseAnswer(const GameState& s, int p) const override {
    CheckMove();
    return inner_.ChooseAnswer(s, p);
  }
  LeadChoice ChooseLead(const GameState& s) const override {
    CheckMove();
    return inner_.ChooseLead(s);
  }
  bool WantsLeadCall(const GameState& s) const override { return inner_.WantsLeadCall(s); }
  bool WantsThirdTrickCall(const GameState& s, int p, int own) const override {
    CheckMove();
    return inner_.WantsThirdTrickCall(s, p, own);
  }
  CallReply AnswerCall(const GameState& s, Rung rung) const override {
    const auto dica = DicaForPlayer(game_->state(), mestre_, rung);
    if (dica) {
      ++hints;
      const bool answer = dica->kind == Advice::Kind::Accept || dica->kind == Advice::Kind::Run ||
                          (dica->kind == Advice::Kind::Raise && NextRung(rung));
      if (!answer) ++illegal;
      ++answers;
    }
    return inner_.AnswerCall(s, rung);
  }
  bool PlaysHandOfEleven(const GameState& s) const override { return inner_.PlaysHandOfEleven(s); }

  mutable long hints = 0, answers = 0, cards = 0, calls = 0, illegal = 0, online_hints = 0;
  mutable long not_mestres = 0;

 private:
  void CheckMove() const {
    const GameState& s = game_->state();
    GameState online = s;
    online.game_kind = GameKind::EmRede;
    if (DicaForPlayer(online, mestre_)) ++online_hints;
    const auto dica = DicaForPlayer(s, mestre_);
    if (!dica) return;
    ++hints;
    if (dica->hand_chance < 0 || dica->hand_chance > 1) ++illegal;
    if (dica->kind == Advice::Kind::Card) {
      ++cards;
      const auto id = static_cast<CardId>(kCartaJ1 + dica->card_index);
      if (dica->card_index < 0 || dica->card_index > 2 || !s.InHand(id) || s.cards[id].face_down ||
          !(s.cards[id].card == dica->card)) {
        ++illegal;
        return;
      }
      // The same card "Mestre" plays from the computer's seat when the table is turned round (the
      // arena's own mirror of the player's seat).
      const GameState mirror = arena::MirrorForPlayerSeat(s);
      const int slot = s.turn == 'L' ? mestre_.ChooseLead(mirror).slot
                                     : mestre_.ChooseAnswer(mirror, s.led_strength).slot;
      if (mirror.computer_hand[static_cast<std::size_t>(slot)].strength != s.Strength(dica->card)) {
        ++not_mestres;
      }
    } else if (dica->kind == Advice::Kind::Call) {
      ++calls;
      if (!s.BTrucar.enabled || !s.BTrucar.visible || s.hand_stake >= kTopStake) ++illegal;
    } else {
      ++illegal;  // nothing to answer: only a card or a call is a move now
    }
  }
  const Judgement& inner_;
  const MestreJudgement& mestre_;
  const Game* game_ = nullptr;
};

TEST(Dica, AlwaysALegalMoveAndNeverInANetworkedGame) {
  MestreJudgement mestre(Model(), 5);
  auto player = arena::MakePlayer("random", 11);
  auto computer = arena::MakePlayer("forte", 12);
  HintProbe probe(*player, mestre);
  for (std::uint64_t seed = 0; seed < static_cast<std::uint64_t>(80 / kScale); ++seed) {
    arena::DuplicateRandom chance(TestSeed() + seed);
    arena::PlayerSeat seat(probe);
    arena::ComputerSeat computer_seat(*computer);
    Game game(seat, chance, computer_seat);
    probe.Bind(game);
    seat.Bind(game);
    game.BInicioClick();
    for (int events = 0;
         game.state().games_player + game.state().games_computer == 0 && events < 5000; ++events) {
      if (!seat.Act()) break;
    }
  }
  EXPECT_GT(probe.cards, 500 / kScale);
  EXPECT_GT(probe.answers, 10 / kScale);
  EXPECT_EQ(probe.illegal, 0) << "of " << probe.hints;
  EXPECT_EQ(probe.online_hints, 0);
  EXPECT_EQ(probe.not_mestres, 0) << "of " << probe.cards << " cards";
}

}  // namespace
}  // namespace truco
