#pragma once
// Two players of a whole networked hand for the network benchmarks, whatever link carries their
// messages: the deal, the side that leads calls truco and the other accepts, the tricks, the
// points on both sides, the last box closed and the next hand dealt. The answers come from the
// benchmark loop, as a player's click would.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <optional>

#include "bench/qt_main.h"
#include "bench/quiet_screen.h"
#include "engine/game.h"
#include "net/link/link.h"
#include "net/play/networked_hand.h"
#include "opponent/computer.h"

namespace truco::net {

class HandPlayer final : public HandOutput {
 public:
  HandPlayer(Side which, Link& link) : side_(which), link_(link) {
    game.set_networked_play(&hand);
    QObject::connect(&link_, &Link::messageReceived, [this](const Message& m) { hand.Receive(m); });
  }

  bool Send(const Message& message) override { return link_.Send(message); }
  void SetMessagePanel(const std::string&) override {}
  void SetOpponentName(const std::string&) override {}
  void AppendChat(const std::string&) override {}
  void Tell(const std::string&) override {}
  // The dialogs are answered from the loop, never from inside the hand.
  void AskTruco(const TrucoDialogRequest&) override { truco_asked_ = true; }
  void Ask(Question question, const std::string&) override { asked_ = question; }
  void CancelAsk() override {
    truco_asked_ = false;
    asked_.reset();
  }

  // One move of this side's player, if it has one: true when it acted. It calls truco once a
  // hand (`called`) when it may.
  bool Act(bool& called) {
    if (truco_asked_) {
      truco_asked_ = false;
      hand.AnswerTruco(kAnswerAccept);
      return true;
    }
    if (asked_) {
      const Question question = *asked_;
      asked_.reset();
      hand.Answer(question, true);
      return true;
    }
    if (hand.actor() != (side_ == Side::Host ? 'S' : 'C')) return false;
    const GameState& s = game.state();
    if (!called && s.BTrucar.enabled && s.BTrucar.visible) {
      called = true;
      game.BTrucarClick();
      return true;
    }
    if (!s.may_play) return false;
    for (int i = 0; i < 3; ++i) {
      if (s.InHand(static_cast<CardId>(kCartaJ1 + i))) {
        game.CartaJClick(i);
        return true;
      }
    }
    return false;
  }

 private:
  Side side_;
  Link& link_;
  QuietScreen screen_;
  ClockRandom random_;
  ComputerJudgement judgement_;

 public:
  Game game{screen_, random_, judgement_};
  NetworkedHand hand{game, random_, *this};

 private:
  bool truco_asked_ = false;
  std::optional<Question> asked_;
};

// Starts the game on both linked sides and times each whole hand: until the next hand is dealt
// and both sides show it with the same points.
inline void PlayWholeHands(benchmark::State& bench, HandPlayer& host, HandPlayer& guest) {
  host.game.BInicioClick();
  guest.game.BInicioClick();
  const auto run_until = [&](const std::function<bool()>& done, bool& host_called,
                             bool& guest_called) {
    while (!done()) {
      if (host.Act(host_called) || guest.Act(guest_called)) continue;
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
  };
  bool unused_h = true;
  bool unused_g = true;
  // The first hand dealt and seen by both.
  run_until([&] { return host.hand.actor() != ' ' && guest.hand.actor() == host.hand.actor(); },
            unused_h, unused_g);
  std::int64_t hands = 0;
  std::int64_t called = 0;
  for (auto _ : bench) {
    const int dealt = host.hand.hands_dealt();
    bool host_called = false;
    bool guest_called = false;
    const auto start = std::chrono::steady_clock::now();
    run_until(
        [&] {
          return host.hand.hands_dealt() > dealt && host.hand.actor() != ' ' &&
                 guest.hand.actor() == host.hand.actor() &&
                 guest.hand.points(Side::Host) == host.hand.points(Side::Host) &&
                 guest.hand.points(Side::Guest) == host.hand.points(Side::Guest);
        },
        host_called, guest_called);
    const auto end = std::chrono::steady_clock::now();
    bench.SetIterationTime(std::chrono::duration<double>(end - start).count());
    // A hand of eleven has no call; every other hand has one.
    if (host_called || guest_called) ++called;
    ++hands;
  }
  bench.counters["games"] = host.hand.games(Side::Host) + host.hand.games(Side::Guest);
  bench.counters["hands"] = static_cast<double>(hands);
  bench.counters["called"] = static_cast<double>(called);
}

}  // namespace truco::net
