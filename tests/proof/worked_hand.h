#pragma once
// The protocol document's worked hand of version 4: two parties, 40 cards, every line of the
// hand as it travels, drawn from a fixed seed so it comes out the same every time.

#include <cstdint>
#include <string>

#include "tests/proof/seeded_sodium.h"

namespace truco::proof {

// The hand, one line per message: "host  -> guest  " or "guest -> host   " and the line. The
// stream's seed and position are put back afterwards.
std::string WorkedHandText();
// Its cards in words, for the document.
std::string WorkedHandSummary();
// Whether the deal lines of `text` read without a refusal and verify from the lines alone.
bool WorkedHandVerifies(const std::string& text);

}  // namespace truco::proof
