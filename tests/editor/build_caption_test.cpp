#include "editor/build_caption.h"

#include <gtest/gtest.h>

#include <string>

namespace brisa::editor {
namespace {

TEST(BuildCaption, AppendsTheSuffixAfterAtMost1023Characters) {
  const std::string suffix = " x64 (built on Jan  5 2022)";
  const std::string a1023(1023, 'a');
  // "é" is two bytes but one character: the cut never splits it.
  std::string accented;
  for (int i = 0; i < 1100; ++i) accented += "\xC3\xA9";
  std::string accented1023;
  for (int i = 0; i < 1023; ++i) accented1023 += "\xC3\xA9";
  const struct {
    std::string text, expected;
  } cases[] = {
      {"brisa", "brisa" + suffix},       {"", suffix},
      {a1023, a1023 + suffix},           {a1023 + "bcd", a1023 + suffix},
      {accented, accented1023 + suffix},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildCaption(c.text, "Jan  5 2022"), c.expected) << c.text.size();
  }
}

}  // namespace
}  // namespace brisa::editor
