// The equation pictures carry, on pictures built by hand: where it goes in each format (checked
// with readers written from the formats' rules, zlib's CRC and Python's XML parser), that it reads
// back, and that damaged or foreign pictures are refused with their reason.
#include "render/picture_metadata.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "support/picture_checks.h"
#include "support/scratch_environment.h"

namespace kv {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}
std::vector<std::uint8_t> ByteVector(std::string_view text) {
  const auto bytes = Bytes(text);
  return {bytes.begin(), bytes.end()};
}

std::string PayloadLine(const PictureEquation& equation) {
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x",
                test::ZlibCrc({reinterpret_cast<const char*>(equation.document.data()),
                               equation.document.size()}));
  return "version=1 depth=" + std::to_string(equation.depth) + " crc32=" + crc +
         " document=" + EncodeBase64(equation.document);
}

const std::string kSvgPicture =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1mm\" height=\"1mm\" viewBox=\"0 0 100 "
    "100\">\n"
    "<rect width=\"50\" height=\"50\"/>\n</svg>\n";

struct Carrier {
  const char* name;
  PictureFormat format;
  std::string picture;
};

std::vector<Carrier> Carriers() {
  return {
      {"svg", PictureFormat::kSvg, kSvgPicture},
      {"svg-bom-empty-root", PictureFormat::kSvg,
       "\xEF\xBB\xBF\n  <svg xmlns='http://www.w3.org/2000/svg' width='1' height='1'/>"},
      {"svg-latin1", PictureFormat::kSvg,
       "<?xml version='1.0' encoding='ISO-8859-1'?>\n<!-- <svg> in a comment -->\n"
       "<!DOCTYPE svg [<!ENTITY e '>'>]>\n"
       "<svg xmlns='http://www.w3.org/2000/svg' role='presentation' data-x='a>b'>"
       "<rect width='1' height='1'/></svg>"},
      {"png", PictureFormat::kPng, test::MinimalPng()},
      {"wmf", PictureFormat::kWmf, test::MinimalWmf()},
  };
}

// A short equation with text to escape; a document long enough for several metafile records.
PictureEquation Small() {
  return {{'K', 'V', '3', 0, 1, 2, 0xFF}, "x^2 < y & \"z\"\n\n\xC3\xA9\t\xE2\x82\xAC", -37};
}
PictureEquation Large() {
  std::mt19937 random(7);
  PictureEquation equation{{}, "", 123456};
  equation.document.resize(100000);
  for (std::uint8_t& byte : equation.document)
    byte = static_cast<std::uint8_t>(random());
  return equation;
}

TEST(Base64, FollowsTheStandardAlphabetAndPaddingAndRefusesAnythingElse) {
  // The test vectors of RFC 4648.
  const std::pair<std::string_view, std::string_view> vectors[] = {{"", ""},
                                                                   {"f", "Zg=="},
                                                                   {"fo", "Zm8="},
                                                                   {"foo", "Zm9v"},
                                                                   {"foob", "Zm9vYg=="},
                                                                   {"fooba", "Zm9vYmE="},
                                                                   {"foobar", "Zm9vYmFy"}};
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(EncodeBase64(Bytes(plain)), encoded);
    EXPECT_EQ(DecodeBase64(encoded), ByteVector(plain)) << encoded;
  }
  EXPECT_EQ(EncodeBase64(Bytes("\xFB\xFF")), "+/8=");
  EXPECT_EQ(DecodeBase64(" Zm9v\r\nYmFy\t"), ByteVector("foobar"));
  // Cut short, bits beyond the last byte, text after the padding, characters of no alphabet.
  for (const char* bad : {"Zg=", "Zh==", "Zm9=", "Zg==Zg==", "Zm9*", "Z===", "=Zg=", "Zm-_"})
    EXPECT_FALSE(DecodeBase64(bad)) << bad;
}

TEST(ReadableText, KeepsCharactersXmlAllowsAndReplacesTheRest) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"a\tb\nc \xC3\xA9\xE2\x82\xAC\xF0\x9D\x91\x8E",
       "a\tb\nc \xC3\xA9\xE2\x82\xAC\xF0\x9D\x91\x8E"},
      {"a\rb\x01\x7F",
       "a\xEF\xBF\xBD"
       "b\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xC2\x81", "\xEF\xBF\xBD"},      // a C1 control
      {"\xEF\xBF\xBF", "\xEF\xBF\xBD"},  // U+FFFF
      {"\xFF"
       "a\xC3",
       "\xEF\xBF\xBD"
       "a\xEF\xBF\xBD"},                         // stray and cut-short bytes
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // overlong "/"
  };
  for (const auto& [text, readable] : cases)
    EXPECT_EQ(ReadableText(text), readable) << text;
}

TEST(PictureEquation, EveryFormatCarriesItWhereItsRulesSayAndGivesItBack) {
  test::ScratchEnvironment scratch;
  const bool python = test::HaveProgram("python3");
  for (const Carrier& carrier : Carriers()) {
    for (const PictureEquation& equation : {Small(), Large()}) {
      SCOPED_TRACE(std::string(carrier.name) + ", " + std::to_string(equation.document.size()));
      const std::string added = AddPictureEquation(carrier.picture, carrier.format, equation);
      EXPECT_EQ(AddPictureEquation(carrier.picture, carrier.format, equation), added);
      std::string error;
      EXPECT_EQ(ReadPictureEquation(Bytes(added), error), equation) << error;

      if (carrier.format == PictureFormat::kPng) {
        std::vector<std::string> expected = {"IHDR", "pHYs", "iTXt", "iTXt", "IDAT", "IEND"};
        if (equation.text.empty()) expected.erase(expected.begin() + 2);
        const auto chunks = test::PngChunks(added);
        std::vector<std::string> types;
        for (const auto& chunk : chunks)
          types.push_back(chunk.type);
        ASSERT_EQ(types, expected);
        const std::string noFlags(5, '\0');
        if (!equation.text.empty()) {
          EXPECT_EQ(chunks[2].data, "Description" + noFlags + equation.text);
        }
        EXPECT_EQ(chunks[expected.size() - 3].data,
                  "Kalvane-Equation" + noFlags + PayloadLine(equation));
      }
      if (carrier.format == PictureFormat::kWmf) {
        EXPECT_EQ(added.substr(0, 22), carrier.picture.substr(0, 22));  // checksum and all
        const auto records = test::WmfRecords(added);
        const std::string stream = PayloadLine(equation) + "\n" + equation.text;
        const std::size_t parts = (stream.size() + 31999) / 32000;
        ASSERT_EQ(records.size(), parts + 5);
        std::string carried;
        for (std::size_t i = 0; i < parts; ++i) {
          const std::string& p = records[i].parameters;
          EXPECT_EQ(records[i].function, 0x0626);
          EXPECT_EQ(test::GetLe(p, 0, 2), 0x000Fu);  // MFCOMMENT
          const std::size_t count = test::GetLe(p, 2, 2);
          ASSERT_LE(count + 4, p.size());
          EXPECT_EQ(p.substr(4, 16), "Kalvane-Equation");
          EXPECT_EQ(test::GetLe(p, 20, 2), i);
          EXPECT_EQ(test::GetLe(p, 22, 2), parts);
          carried += p.substr(24, count - 20);
        }
        EXPECT_EQ(carried, stream);
        EXPECT_EQ(added.substr(added.size() - 46), carrier.picture.substr(40));
        if (test::HaveProgram("wmf2svg")) {  // libwmf-bin
          test::WriteFileBytes(scratch.Root() / "p.wmf", added);
          const std::string command = "cd " + scratch.Root().string() +
                                      " && wmf2svg -o p.svg p.wmf && grep -q '<line' p.svg";
          EXPECT_EQ(std::system(command.c_str()), 0);
        }
      }
      if (carrier.format == PictureFormat::kSvg && python) {
        // A real XML parser finds the title first, then the metadata, holding the document.
        test::WriteFileBytes(scratch.Root() / "p.svg", added);
        test::WriteFileBytes(
            scratch.Root() / "doc",
            {reinterpret_cast<const char*>(equation.document.data()), equation.document.size()});
        test::WriteFileBytes(scratch.Root() / "text", equation.text);
        const std::string check =
            "cd " + scratch.Root().string() +
            " && python3 -c '\n"
            "import base64, zlib, xml.etree.ElementTree as E\n"
            "S = \"{http://www.w3.org/2000/svg}\"\n"
            "root = E.parse(\"p.svg\").getroot()\n"
            "text = open(\"text\", encoding=\"utf-8\").read()\n"
            "kids = list(root)\n"
            "if text:\n"
            "  assert kids[0].tag == S + \"title\" and kids[0].text == text, kids[0].text\n"
            "  assert root.get(\"aria-label\") == text and root.get(\"role\")\n"
            "  kids = kids[1:]\n"
            "assert kids[0].tag == S + \"metadata\"\n"
            "e = kids[0][0]\n"
            "assert e.tag == \"{https://kalvane.example/equation/1}equation\", e.tag\n"
            "data = base64.b64decode(e.text, validate=True)\n"
            "assert data == open(\"doc\", \"rb\").read()\n"
            "assert e.get(\"crc32\") == \"%08x\" % zlib.crc32(data)\n"
            "assert (e.get(\"version\"), e.get(\"depth\")) == (\"1\", \"" +
            std::to_string(equation.depth) + "\")\n'";
        EXPECT_EQ(std::system(check.c_str()), 0) << added.substr(0, 600);
      }
    }
  }
}

TEST(PictureEquation, DamagedAndForeignPicturesAreRefusedWithTheirReason) {
  const PictureEquation equation = Small();  // its document is "S1YzAAEC/w==" in base64
  const std::string svg = AddPictureEquation(kSvgPicture, PictureFormat::kSvg, equation);
  const std::string png = AddPictureEquation(test::MinimalPng(), PictureFormat::kPng, equation);
  const std::string wmf = AddPictureEquation(test::MinimalWmf(), PictureFormat::kWmf, equation);
  const auto cut = [](const std::string& picture) {
    return picture.substr(0, picture.find("S1YzAAEC") + 3);
  };
  const auto changed = [](std::string picture, std::size_t at, char to) {
    picture.at(at) = to;
    return picture;
  };
  const auto inBase64 = [](const std::string& picture) { return picture.find("S1YzAAEC") + 2; };
  std::string newer = svg;
  newer.replace(newer.find("version=\"1\""), 11, "version=\"2\"");
  const std::size_t pngCrc = png.find("IDAT") - 8;  // the CRC of the chunk before IDAT
  const std::string pngSignature("\x89PNG\r\n\x1A\n", 8);

  const struct {
    const char* name;
    std::string picture;
    const char* message;
  } cases[] = {
      {"svg cut short", cut(svg), kDamagedEquationMessage},
      {"png cut short", cut(png), kDamagedEquationMessage},
      {"wmf cut short", cut(wmf), kDamagedEquationMessage},
      {"svg base64 changed", changed(svg, inBase64(svg), 'Z'), kDamagedEquationMessage},
      {"png base64 changed", changed(png, inBase64(png), 'Z'), kDamagedEquationMessage},
      {"wmf base64 changed", changed(wmf, inBase64(wmf), 'Z'), kDamagedEquationMessage},
      {"svg not base64", changed(svg, inBase64(svg), '*'), kDamagedEquationMessage},
      {"png wrong crc", changed(png, pngCrc, static_cast<char>(png[pngCrc] ^ 1)),
       kDamagedEquationMessage},
      {"wmf record past the end", changed(wmf, 41, '\x7F'), kDamagedEquationMessage},
      {"wmf part missing", changed(wmf, 40 + 10 + 18, 2), kDamagedEquationMessage},
      {"svg newer", newer, kNewerEquationMessage},
      {"svg without", kSvgPicture, kNoEquationMessage},
      {"png without", test::MinimalPng(), kNoEquationMessage},
      {"wmf without", test::MinimalWmf(), kNoEquationMessage},
      {"empty", "", kNotAPictureMessage},
      {"text", "hello", kNotAPictureMessage},
      {"pdf", "%PDF-1.7\n", kNotAPictureMessage},
      {"xhtml", "<?xml version='1.0'?><html/>", kNotAPictureMessage},
      {"svg unterminated", "<svg xmlns='http://www.w3.org/2000/svg' width='1", kNotAPictureMessage},
      {"png without IHDR", pngSignature + test::PngChunk("IEND", ""), kNotAPictureMessage},
      {"wmf header alone", test::MinimalWmf().substr(0, 30), kNotAPictureMessage},
  };
  for (const auto& each : cases) {
    std::string error;
    EXPECT_EQ(ReadPictureEquation(Bytes(each.picture), error), std::nullopt) << each.name;
    EXPECT_EQ(error, each.message) << each.name;
  }

  // Cut anywhere, a picture gives its equation whole or a reason, never anything else.
  for (const std::string* picture : {&svg, &png, &wmf}) {
    for (std::size_t size = 0; size < picture->size(); ++size) {
      std::string error;
      const auto read =
          ReadPictureEquation(Bytes(std::string_view(*picture).substr(0, size)), error);
      if (read) {
        EXPECT_EQ(*read, equation);
      } else {
        EXPECT_TRUE(error == kDamagedEquationMessage || error == kNotAPictureMessage ||
                    error == kNoEquationMessage)
            << size << ": " << error;
      }
    }
  }
}

TEST(PictureEquation, OnlyPicturesOfTheGivenFormatWithoutAnEquationTakeOne) {
  const PictureEquation equation = Small();
  std::string brokenWmf = test::MinimalWmf();
  brokenWmf[40] = 2;  // a record shorter than its frame
  const std::string pngSignature("\x89PNG\r\n\x1A\n", 8);
  const struct {
    const char* name;
    std::string picture;
    PictureFormat format;
  } cases[] = {
      {"svg twice", AddPictureEquation(kSvgPicture, PictureFormat::kSvg, equation),
       PictureFormat::kSvg},
      {"png twice", AddPictureEquation(test::MinimalPng(), PictureFormat::kPng, equation),
       PictureFormat::kPng},
      {"wmf twice", AddPictureEquation(test::MinimalWmf(), PictureFormat::kWmf, equation),
       PictureFormat::kWmf},
      {"svg as png", kSvgPicture, PictureFormat::kPng},
      {"pdf", "%PDF-1.7\n", PictureFormat::kPdf},
      {"xhtml", "<?xml version='1.0'?><html/>", PictureFormat::kSvg},
      {"png without image data",
       pngSignature + test::MinimalPng().substr(8, 25) + test::PngChunk("IEND", ""),
       PictureFormat::kPng},
      {"wmf broken record", brokenWmf, PictureFormat::kWmf},
  };
  for (const auto& each : cases)
    EXPECT_THROW(AddPictureEquation(each.picture, each.format, equation), PictureError)
        << each.name;
  EXPECT_THROW(AddPictureEquation(kSvgPicture, PictureFormat::kSvg, {{}, "x", 0}), PictureError);
}

}  // namespace
}  // namespace kv
