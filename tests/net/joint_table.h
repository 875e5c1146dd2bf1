#pragma once
// Two sides of the joint deal wired in memory, every message through the codec, with a hook
// that lets one side forge what it sends.

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <random>
#include <variant>

#include "net/fair/joint_deal.h"
#include "net/wire/protocol.h"
#include "tests/test_seed.h"

namespace truco::testing {

// What crossed the wire and where the honest side stopped.
struct JointOutcome {
  net::Side detector = net::Side::Host;
  net::DealFault fault = net::DealFault::None;
  bool at_once = false;  // found before the secrets were revealed
};

class JointTable {
 public:
  explicit JointTable(std::uint64_t seed)
      : host_entropy_(seed * 2 + 1),
        guest_entropy_(seed * 2 + 2),
        host(net::Side::Host, host_entropy_),
        guest(net::Side::Guest, guest_entropy_) {}

  // The sender may rewrite its message before it is encoded.
  std::function<void(net::Side sender, net::Message&)> forge;

  // Both sides start a hand. Returns the first fault of the list exchange and the openings.
  JointOutcome Deal(char deck_type, bool vira_turned) {
    host.NewHand(deck_type, vira_turned);
    guest.NewHand(deck_type, vira_turned);
    net::Message first = host.HostList();
    if (auto f = Deliver(net::Side::Host, first); f.fault != net::DealFault::None) return f;
    net::Message second = guest.GuestList();
    if (auto f = Deliver(net::Side::Guest, second); f.fault != net::DealFault::None) return f;
    for (net::Side sender : {net::Side::Host, net::Side::Guest}) {
      for (const net::Unlock& u : Of(sender).Openings()) {
        net::Message m = u;
        if (auto f = Deliver(sender, m); f.fault != net::DealFault::None) return f;
      }
    }
    return {};
  }

  // `sender` plays its slot face up (announced) or face down.
  JointOutcome Play(net::Side sender, int slot, bool hidden) {
    if (hidden) {
      Of(Other(sender)).TakeHidden(slot);
      return {};
    }
    net::Message m = Of(sender).AnnounceOwn(slot);
    return Deliver(sender, m);
  }

  // Both reveal their secrets; the host checks first.
  JointOutcome Reveal() {
    net::Message from_guest = guest.Reveal();
    net::Message from_host = host.Reveal();
    if (auto f = Deliver(net::Side::Guest, from_guest, false); f.fault != net::DealFault::None) {
      return f;
    }
    return Deliver(net::Side::Host, from_host, false);
  }

  net::JointDeal& Of(net::Side side) { return side == net::Side::Host ? host : guest; }
  static net::Side Other(net::Side side) {
    return side == net::Side::Host ? net::Side::Guest : net::Side::Host;
  }

  // Encodes, decodes for the receiver and hands the message to its deal.
  JointOutcome Deliver(net::Side sender, net::Message& message, bool at_once = true) {
    if (forge) forge(sender, message);
    const net::Side reader = Other(sender);
    const auto decoded = net::Decode(net::Encode(message), reader);
    if (!decoded) {
      ++undecodable;
      return {};
    }
    net::JointDeal& deal = Of(reader);
    net::DealFault fault = net::DealFault::None;
    if (const auto* list = std::get_if<net::DealList>(&*decoded)) fault = deal.TakeList(*list);
    if (const auto* u = std::get_if<net::Unlock>(&*decoded)) fault = deal.TakeOpening(*u);
    if (const auto* a = std::get_if<net::Announce>(&*decoded)) fault = deal.TakeAnnounce(*a);
    if (const auto* k = std::get_if<net::RevealKey>(&*decoded)) fault = deal.TakeReveal(*k);
    return {reader, fault, at_once};
  }

  int undecodable = 0;

 private:
  net::DealEntropy host_entropy_;
  net::DealEntropy guest_entropy_;

 public:
  net::JointDeal host;
  net::JointDeal guest;
};

}  // namespace truco::testing
