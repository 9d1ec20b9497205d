#include "base/windows1252.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(Windows1252, ConvertsFromUtf8ThroughTheWholeCodePage) {
  EXPECT_EQ(Utf8ToWindows1252("x^2+1"), "x^2+1");
  EXPECT_EQ(Utf8ToWindows1252("\xC2\xA7"), "\xA7");      // section sign
  EXPECT_EQ(Utf8ToWindows1252("\xC2\xBB"), "\xBB");      // right guillemet
  EXPECT_EQ(Utf8ToWindows1252("\xE2\x82\xAC"), "\x80");  // euro sign
  EXPECT_EQ(Utf8ToWindows1252("\xC5\xB8"), "\x9F");      // Y with diaeresis
  // Every byte survives the trip to UTF-8 and back, the five undefined ones included.
  std::string all;
  for (int b = 0; b < 256; ++b)
    all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(all)), all);
}

TEST(Windows1252, RefusesWhatItCannotConvert) {
  try {
    Utf8ToWindows1252("a\xE4\xB8\xAD");  // a CJK character
    FAIL() << "expected an error";
  } catch (const EncodingError& e) {
    EXPECT_NE(std::string(e.what()).find("U+4E2D"), std::string::npos) << e.what();
  }
  EXPECT_THROW(Utf8ToWindows1252("\xC3"), EncodingError);          // cut short
  EXPECT_THROW(Utf8ToWindows1252("\xC0\xAF"), EncodingError);      // overlong
  EXPECT_THROW(Utf8ToWindows1252("\xED\xA0\x80"), EncodingError);  // surrogate
  EXPECT_THROW(Utf8ToWindows1252("\xFF"), EncodingError);
}

}  // namespace
}  // namespace kv
