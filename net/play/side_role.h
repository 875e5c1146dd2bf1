#pragma once
// What differs between the two ends of a networked game, behind one interface: the hand
// (NetworkedHand) picks its role once, when the connection's side is known, and asks it wherever
// the host and the guest part ways, so the code both share never tests the side. The host deals
// and judges (HostRole, host_role.h); the guest takes the deal and the results (GuestRole,
// guest_role.h). Each role keeps only its own side's state, afresh for every connection.

#include <optional>

#include "net/play/networked_hand.h"

namespace truco::net {

class SideRole {
 public:
  using ResumeState = NetworkedHand::ResumeState;

  explicit SideRole(NetworkedHand& hand) : hand_(hand) {}
  virtual ~SideRole() = default;
  SideRole(const SideRole&) = delete;
  SideRole& operator=(const SideRole&) = delete;

  // --- The classic hand ---
  // This side's own start ("Em rede") of a classic hand.
  virtual void StartClassic(GameState& s) = 0;
  // The classic messages only this side acts on (the deal card by card, the turn).
  virtual void ReceiveClassic(const Message& message) = 0;
  [[nodiscard]] virtual bool ClassicDealComplete() const = 0;
  // Both cards of a classic trick are down.
  virtual void ClassicTrickComplete(int trick) = 0;
  // The peer's name came (once per connection; already shown).
  virtual void PeerNamed() = 0;

  // --- The whole game ---
  // The peer greeted with `version` (already the lower of both, at least the whole game's).
  virtual void Greeted(int version) = 0;
  // This side's start while the whole game is on.
  virtual void StartWhole() = 0;
  [[nodiscard]] virtual bool WholeDealComplete() const = 0;
  // A message this side drops before anything else looks at it.
  [[nodiscard]] virtual bool Drops(const Message& /*message*/) const { return false; }
  // The whole game's messages only this side acts on; true when taken.
  virtual bool ReceiveWhole(const Message& message) = 0;
  // The dealer's cards for a whole game's hand came (only the host deals).
  virtual void CardsDealt(const DealtCards& /*cards*/) {}
  // This side plays a card face up without the joint deal: what the peer needs to see it.
  virtual void ShowOwnCard(int /*slot*/) {}
  // The card `letter` played completes the trick.
  virtual void CompleteTrick(char letter, int slot, int trick, bool hide) = 0;
  // A completed trick waits for its result: nobody acts.
  [[nodiscard]] virtual bool AwaitsTrickResult() const { return false; }
  // The hand's cards are cleared.
  virtual void ClearHand() {}
  // The hand just ended (its boxes are queued).
  virtual void HandEnded() = 0;
  // The hand's last box closed here.
  virtual void BoxesClosed() = 0;
  // A question only this side asks (before the hand's own): asked now when true.
  virtual bool AskOwed() { return false; }
  // The answer to it.
  virtual void Answered(Question /*question*/, bool /*yes*/) {}
  // The connection went: forgets the question only this side asks; true when one was open.
  virtual bool DropQuestion() { return false; }

  // --- The joint deal ---
  // The final list is here: what this side sends besides its openings.
  virtual void ListTaken() {}
  // This side's three cards and the vira are open.
  virtual void OwnCardsIn() = 0;
  // Both secrets of the hand passed.
  virtual void HandChecked() = 0;

  // --- Going on after a cut ---
  // The connection dropped in the middle: what of the hand this side keeps in `state`.
  virtual void KeepHand(ResumeState& /*state*/) const {}
  [[nodiscard]] virtual std::optional<ResumeState> Snapshot() const = 0;
  [[nodiscard]] virtual bool Joining() const { return false; }
  // What only this side writes into the game state.
  virtual void Sync(GameState& /*s*/) const {}

 protected:
  NetworkedHand& hand_;
};

}  // namespace truco::net
