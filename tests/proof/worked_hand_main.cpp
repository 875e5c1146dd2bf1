// Prints the protocol document's worked hand of version 4 (its lines on stdout, its cards on
// stderr), to store it again when the lines change on purpose.

#include <iostream>

#include "tests/proof/worked_hand.h"

int main() {
  std::cout << truco::proof::WorkedHandText();
  std::cerr << truco::proof::WorkedHandSummary() << '\n';
  return 0;
}
