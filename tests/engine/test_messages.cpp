#include <gtest/gtest.h>

#include "engine/screen.h"

namespace truco {
namespace {

TEST(MessageText, JoinsLinesWithLineFeedCarriageReturnAndAsksWithABlankQuestionMark) {
  EXPECT_EQ(MessageText({"A", "B"}, false), "A\n\rB");
  EXPECT_EQ(MessageText({"Tem Certeza que deseja limpar os recordes"}, true),
            "Tem Certeza que deseja limpar os recordes ?");
  EXPECT_EQ(MessageText({}, true), "");
}

TEST(MessageText, KeepsFiveHundredCharactersNeverHalfOfOne) {
  std::string accents;
  for (int i = 0; i < 600; ++i) accents += "ã";  // two bytes each
  const std::string text = MessageText({accents}, false);
  EXPECT_EQ(text.size(), 1000u);
  EXPECT_EQ(text.substr(998), "ã");
  EXPECT_EQ(MessageText({std::string(499, 'x')}, true), std::string(499, 'x') + " ");
}

}  // namespace
}  // namespace truco
