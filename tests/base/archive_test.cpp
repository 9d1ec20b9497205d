#include "base/archive.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "support/allocation_probe.h"
#include "support/bytes.h"

namespace kv {
namespace {

using test::Bytes;

std::vector<std::uint8_t> Store(const std::function<void(Archive&)>& write) {
  Archive ar = Archive::ForStoring();
  write(ar);
  return ar.Bytes();
}

TEST(Archive, PrimitivesAreLittleEndianAndBackToBack) {
  const auto bytes = Store([](Archive& ar) {
    ar.WriteByte(0xAB);
    ar.WriteWord(0x1234);
    ar.WriteInt32(-2);
    ar.WriteDouble(1.0);  // 0x3FF0000000000000
  });
  const auto expected =
      Bytes().Raw({0xAB, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
  EXPECT_EQ(bytes, expected.data());

  Archive in = Archive::ForLoading(bytes);
  EXPECT_EQ(in.ReadByte(), 0xAB);
  EXPECT_EQ(in.ReadWord(), 0x1234);
  EXPECT_EQ(in.ReadInt32(), -2);
  EXPECT_EQ(in.ReadDouble(), 1.0);
  EXPECT_EQ(in.Remaining(), 0u);
  EXPECT_THROW(in.ReadByte(), ArchiveError);
}

// The prefix changes form at 255 and at 65534 characters.
TEST(Archive, StringLengthPrefixesAndRoundTrips) {
  struct Case {
    std::size_t length;
    std::vector<std::uint8_t> prefix;
  };
  const Case cases[] = {
      {0, {0x00}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {65533, {0xFF, 0xFD, 0xFF}},
      {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    std::string text(c.length, 'x');
    for (std::size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<char>('a' + i % 26);
    const auto bytes = Store([&](Archive& ar) { ar.WriteString(text); });
    ASSERT_EQ(bytes.size(), c.prefix.size() + c.length);
    EXPECT_TRUE(std::equal(c.prefix.begin(), c.prefix.end(), bytes.begin()));
    Archive in = Archive::ForLoading(bytes);
    EXPECT_EQ(in.ReadString(), text);
    EXPECT_EQ(in.Remaining(), 0u);
  }
}

TEST(Archive, ReadsUtf16StringsAsWindows1252) {
  // Marker 0xFF 0xFFFE, then a character count of 4: 'a', e-acute, the euro sign and a CJK
  // character that the code page lacks.
  const auto bytes =
      Bytes().Raw({0xFF, 0xFE, 0xFF, 0x04}).Raw({'a', 0, 0xE9, 0, 0xAC, 0x20, 0x2D, 0x4E});
  Archive in = Archive::ForLoading(bytes.data());
  EXPECT_EQ(in.ReadString(), "a\xE9\x80?");
  EXPECT_EQ(in.Remaining(), 0u);

  // A UTF-16 string whose count needs the word form: 300 characters.
  Bytes longer;
  longer.Raw({0xFF, 0xFE, 0xFF, 0xFF}).Word(300);
  for (int i = 0; i < 300; ++i)
    longer.Raw({'z', 0});
  Archive in2 = Archive::ForLoading(longer.data());
  EXPECT_EQ(in2.ReadString(), std::string(300, 'z'));
}

TEST(Archive, TruncatedInputRaisesEndOfFileAtEveryOffset) {
  const auto full = Store([](Archive& ar) {
    ar.WriteString("KLV3DOC");
    ar.WriteWord(1);
    ar.WriteInt32(7);
    ar.WriteDouble(0.5);
    ar.WriteString(std::string(300, 'q'));
  });
  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    SCOPED_TRACE(cut);
    Archive in = Archive::ForLoading(std::span(full).first(cut));
    EXPECT_THROW(
        {
          in.ReadString();
          in.ReadWord();
          in.ReadInt32();
          in.ReadDouble();
          in.ReadString();
        },
        ArchiveError);
  }
}

TEST(Archive, HugeDeclaredLengthFailsBeforeAllocating) {
  // 0xFF, 0xFFFF, then a length of 0xFFFFFFFF characters, on a 10-byte input.
  const auto plain = Bytes().Raw({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c'});
  // The same in the UTF-16 form: 0xFFFFFFFF characters of two bytes each.
  const auto wide = Bytes().Raw({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  for (const auto* input : {&plain, &wide}) {
    test::AllocationProbe probe;
    Archive in = Archive::ForLoading(input->data());
    EXPECT_THROW(in.ReadString(), ArchiveError);
    EXPECT_LT(probe.LargestAllocation(), 1024u);
  }
}

TEST(Archive, TransferWorksInBothDirections) {
  std::uint8_t b = 9;
  bool flag = true;
  std::uint16_t w = 0xBEEF;
  std::int32_t i = std::numeric_limits<std::int32_t>::min();
  double d = -0.25;
  std::string s = "sqrt";
  Archive out = Archive::ForStoring();
  out.Transfer(b), out.Transfer(flag), out.Transfer(w), out.Transfer(i), out.Transfer(d),
      out.Transfer(s);
  std::uint8_t b2 = 0;
  bool flag2 = false;
  std::uint16_t w2 = 0;
  std::int32_t i2 = 0;
  double d2 = 0;
  std::string s2;
  Archive in = Archive::ForLoading(out.Bytes());
  in.Transfer(b2), in.Transfer(flag2), in.Transfer(w2), in.Transfer(i2), in.Transfer(d2),
      in.Transfer(s2);
  EXPECT_EQ(b2, b);
  EXPECT_EQ(flag2, flag);
  EXPECT_EQ(w2, w);
  EXPECT_EQ(i2, i);
  EXPECT_EQ(d2, d);
  EXPECT_EQ(s2, s);

  // Any non-zero byte reads as true.
  const std::uint8_t two[] = {2};
  Archive in2 = Archive::ForLoading(two);
  bool flag3 = false;
  in2.Transfer(flag3);
  EXPECT_TRUE(flag3);
}

TEST(Archive, SeekRestartsLoading) {
  const std::uint8_t data[] = {1, 2, 3};
  Archive in = Archive::ForLoading(data);
  in.ReadWord();
  in.Seek(0);
  EXPECT_EQ(in.ReadByte(), 1);
  EXPECT_THROW(in.Seek(4), ArchiveError);
}

}  // namespace
}  // namespace kv
