#include "base/c_number.h"

#include <gtest/gtest.h>

#include <clocale>

namespace kv {
namespace {

TEST(CNumber, ReadsLikeTheCLibraryInTheCLocale) {
  std::size_t consumed = 0;
  EXPECT_EQ(CStrtod("2.5e1x", &consumed), 25.0);
  EXPECT_EQ(consumed, 5u);
  EXPECT_EQ(CStrtod("  -0.75"), -0.75);
  EXPECT_EQ(CStrtod("abc", &consumed), 0.0);
  EXPECT_EQ(consumed, 0u);
  EXPECT_EQ(CStrtod(""), 0.0);

  EXPECT_EQ(CAtoi("42abc"), 42);
  EXPECT_EQ(CAtoi(" -17"), -17);
  EXPECT_EQ(CAtoi("+8"), 8);
  EXPECT_EQ(CAtoi("x1"), 0);
  EXPECT_EQ(CAtoi("99999999999999999999"), INT32_MAX);
  EXPECT_EQ(CAtoi("-99999999999999999999"), INT32_MIN);
  EXPECT_EQ(CAtoi("-2147483648"), INT32_MIN);
}

TEST(CNumber, FormatsLikePrintf) {
  EXPECT_EQ(FormatFixed6(0.7), "0.700000");
  EXPECT_EQ(FormatFixed6(30.0), "30.000000");
  EXPECT_EQ(FormatFixed6(-0.0000005), "-0.000000");
  EXPECT_EQ(FormatFixed6(1e20), "100000000000000000000.000000");
  EXPECT_EQ(FormatInt(-2147483647 - 1), "-2147483648");
}

TEST(CNumber, IgnoresTheProcessLocale) {
  // A process locale with a decimal comma must not change files or lists. Where no such locale
  // is installed the test still checks the "C" behaviour.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "C.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, name)) break;
  }
  EXPECT_EQ(CStrtod("1.5"), 1.5);
  EXPECT_EQ(FormatFixed6(1.5), "1.500000");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
}  // namespace kv
