#include "render/picture_metadata.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <variant>

#include "base/utf8.h"

namespace kv {
namespace {

// ---------------------------------------------------------------------------------------------
// Bytes, checksums, characters

enum class Step { kItem, kEnd, kBroken };

std::uint32_t ReadBe32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::uint32_t ReadLe(std::string_view bytes, std::size_t at, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = size; i-- > 0;)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}
std::uint16_t ReadLe16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>(ReadLe(bytes, at, 2));
}
std::uint32_t ReadLe32(std::string_view bytes, std::size_t at) {
  return ReadLe(bytes, at, 4);
}

void AppendBe32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out += static_cast<char>((value >> shift) & 0xFF);
}
void AppendLe(std::string& out, std::uint32_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i)
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
}
void WriteLe32(std::string& out, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i)
    out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// CRC-32 of ISO 3309, the checksum of PNG chunks and of zlib; chained as zlib's crc32 is. Eight
// bytes a step (table k gives the CRC of a byte followed by k zero bytes): a picture's payload is
// checksummed twice, and a byte at a time cost more than the rest of adding it.
constexpr auto kCrcTables = [] {
  std::array<std::array<std::uint32_t, 256>, 8> tables{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k)
      c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    tables[0][n] = c;
  }
  for (std::size_t k = 1; k < tables.size(); ++k) {
    for (std::size_t n = 0; n < 256; ++n)
      tables[k][n] = (tables[k - 1][n] >> 8) ^ tables[0][tables[k - 1][n] & 0xFF];
  }
  return tables;
}();

std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc = 0) {
  const auto& t = kCrcTables;
  crc = ~crc;
  std::size_t i = 0;
  for (; bytes.size() - i >= 8; i += 8) {
    const std::uint32_t low = crc ^ ReadLe(bytes, i, 4);
    const std::uint32_t high = ReadLe(bytes, i + 4, 4);
    crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
          t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^
          t[0][high >> 24];
  }
  for (; i < bytes.size(); ++i)
    crc = t[0][(crc ^ static_cast<unsigned char>(bytes[i])) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::string_view AsChars(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool IsAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

bool IsReadable(char32_t code) {
  if (code == kNotACharacter) return false;
  if (code < 0x20) return code == '\n' || code == '\t';
  return !(code >= 0x7F && code <= 0x9F) && code != 0xFFFE && code != 0xFFFF;
}

std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (const char c : text)
    AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

// ---------------------------------------------------------------------------------------------
// The payload

enum class Failure { kNotAPicture, kNoEquation, kDamaged, kNewer };
using Reading = std::variant<PictureEquation, Failure>;

const char* MessageOf(Failure failure) {
  switch (failure) {
    case Failure::kNotAPicture:
      return kNotAPictureMessage;
    case Failure::kNoEquation:
      return kNoEquationMessage;
    case Failure::kNewer:
      return kNewerEquationMessage;
    case Failure::kDamaged:
      break;
  }
  return kDamagedEquationMessage;
}

// What a picture without a readable payload is: one that names the payload's marker somewhere
// holds a damaged equation; otherwise a picture whose structure breaks off is none Kalvane reads,
// and a whole one holds no equation.
Failure WithoutPayload(std::string_view picture, bool broken, std::string_view marker) {
  if (picture.find(marker) != std::string_view::npos) return Failure::kDamaged;
  return broken ? Failure::kNotAPicture : Failure::kNoEquation;
}

// The fields of a payload as text, whether from a payload line or from SVG attributes.
struct PayloadFields {
  std::string_view version;
  std::string_view depth;
  std::string_view crc32;
  std::string_view document;
};

// The payload as written: the fields, and the line that holds them.
struct Payload {
  explicit Payload(const PictureEquation& equation)
      : depth(std::to_string(equation.depth)),
        crc32(8, '0'),
        document(EncodeBase64(equation.document)) {
    static constexpr char kHex[] = "0123456789abcdef";
    const std::uint32_t crc = Crc32(AsChars(equation.document));
    for (std::size_t i = 0; i < crc32.size(); ++i)
      crc32[i] = kHex[(crc >> (28 - 4 * i)) & 0xF];
  }
  std::string Line() const {
    return "version=" + std::to_string(kEquationPayloadVersion) + " depth=" + depth +
           " crc32=" + crc32 + " document=" + document;
  }
  std::string depth;
  std::string crc32;
  std::string document;
};

std::optional<PayloadFields> SplitPayloadLine(std::string_view line) {
  static constexpr std::array<std::string_view, 4> kKeys = {
      "version=", "depth=", "crc32=", "document="};
  PayloadFields fields;
  const std::array<std::string_view*, 4> values = {&fields.version, &fields.depth, &fields.crc32,
                                                   &fields.document};
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    if (!line.starts_with(kKeys[i])) return std::nullopt;
    line.remove_prefix(kKeys[i].size());
    const std::size_t end = i + 1 < kKeys.size() ? line.find(' ') : line.size();
    if (end == std::string_view::npos) return std::nullopt;
    *values[i] = line.substr(0, end);
    line.remove_prefix(std::min(end + 1, line.size()));
  }
  return fields;
}

// A later version's payload may be laid out otherwise: only its version is read.
std::string_view VersionOfLine(std::string_view line) {
  if (!line.starts_with("version=")) return {};
  line.remove_prefix(8);
  return line.substr(0, line.find(' '));
}

bool IsNumber(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

Reading EquationFrom(const PayloadFields& fields, std::string_view text) {
  if (fields.version != "1") return IsNumber(fields.version) ? Failure::kNewer : Failure::kDamaged;
  PictureEquation equation;
  const std::string_view depth = fields.depth;
  const auto parsed = std::from_chars(depth.data(), depth.data() + depth.size(), equation.depth);
  if (depth.empty() || depth.front() == '+' || parsed.ec != std::errc() ||
      parsed.ptr != depth.data() + depth.size())
    return Failure::kDamaged;
  std::uint32_t crc = 0;
  const std::string_view hex = fields.crc32;
  const auto crcParsed = std::from_chars(hex.data(), hex.data() + hex.size(), crc, 16);
  if (hex.size() != 8 || crcParsed.ec != std::errc() || crcParsed.ptr != hex.data() + hex.size())
    return Failure::kDamaged;
  auto document = DecodeBase64(fields.document);
  if (!document || document->empty() || Crc32(AsChars(*document)) != crc) return Failure::kDamaged;
  equation.document = std::move(*document);
  equation.text = ReadableText(text);
  return equation;
}

Reading EquationFromLine(std::string_view line, std::string_view text) {
  const std::string_view version = VersionOfLine(line);
  if (version != "1" && IsNumber(version)) return Failure::kNewer;
  const auto fields = SplitPayloadLine(line);
  if (!fields) return Failure::kDamaged;
  return EquationFrom(*fields, text);
}

// ---------------------------------------------------------------------------------------------
// PNG: a signature, then chunks of {length, type, data, CRC of type and data}, IHDR first.

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1A\n";
constexpr std::string_view kDescriptionKeyword = "Description";
constexpr std::uint32_t kLargestPngChunk = 0x7FFFFFFF;
constexpr std::size_t kPngChunkFrame = 12;  // length, type, CRC

struct PngChunk {
  std::size_t begin = 0;
  std::string_view type;
  std::string_view data;
  std::uint32_t crc = 0;
  std::size_t Size() const { return data.size() + kPngChunkFrame; }
};

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

Step NextPngChunk(std::string_view png, std::size_t& at, PngChunk& chunk) {
  if (at == png.size()) return Step::kEnd;
  if (png.size() - at < kPngChunkFrame) return Step::kBroken;
  const std::uint32_t length = ReadBe32(png, at);
  if (length > kLargestPngChunk || length > png.size() - at - kPngChunkFrame) return Step::kBroken;
  chunk.begin = at;
  chunk.type = png.substr(at + 4, 4);
  if (!std::all_of(chunk.type.begin(), chunk.type.end(), IsLetter)) return Step::kBroken;
  chunk.data = png.substr(at + 8, length);
  chunk.crc = ReadBe32(png, at + 8 + length);
  at += chunk.Size();
  return Step::kItem;
}

bool CrcMatches(const PngChunk& chunk) {
  return Crc32(chunk.data, Crc32(chunk.type)) == chunk.crc;
}

bool IsTextChunk(const PngChunk& chunk) {
  return chunk.type == "tEXt" || chunk.type == "iTXt" || chunk.type == "zTXt";
}

// The keyword of a text chunk; empty for any other chunk.
std::string_view KeywordOf(const PngChunk& chunk) {
  if (!IsTextChunk(chunk)) return {};
  return chunk.data.substr(0, chunk.data.find('\0'));
}

// The text of a tEXt chunk (Latin-1) or uncompressed iTXt chunk (UTF-8), as UTF-8; nothing for a
// compressed or malformed one.
std::optional<std::string> TextOf(const PngChunk& chunk) {
  std::string_view rest = chunk.data;
  const std::size_t keywordEnd = rest.find('\0');
  if (keywordEnd == std::string_view::npos) return std::nullopt;
  rest.remove_prefix(keywordEnd + 1);
  if (chunk.type == "tEXt") return Latin1ToUtf8(rest);
  if (chunk.type != "iTXt" || rest.size() < 2 || rest[0] != '\0') return std::nullopt;
  rest.remove_prefix(2);                           // compression flag and method
  for (int skipped = 0; skipped < 2; ++skipped) {  // language tag, translated keyword
    const std::size_t end = rest.find('\0');
    if (end == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(end + 1);
  }
  return std::string(rest);
}

// An uncompressed iTXt chunk without language tag or translated keyword.
void AppendInternationalText(std::string& out, std::string_view keyword, std::string_view text) {
  std::string data;
  data.reserve(keyword.size() + 5 + text.size());
  data += keyword;
  data.append(5, '\0');  // keyword's end, compression flag and method, two empty strings' ends
  data += text;
  AppendPngChunk(out, "iTXt", data);
}

std::string AddToPng(std::string_view png, const std::string& line, const std::string& text) {
  std::string out;
  out.reserve(png.size() + line.size() + text.size() + 2 * (kPngChunkFrame + 32));
  out += kPngSignature;
  std::size_t at = kPngSignature.size();
  PngChunk chunk;
  bool first = true;
  bool added = false;
  for (;;) {
    const Step step = NextPngChunk(png, at, chunk);
    if (step == Step::kBroken || (step == Step::kEnd && first) || (first && chunk.type != "IHDR"))
      throw PictureError("the PNG picture is damaged");
    if (step == Step::kEnd) break;
    first = false;
    const std::string_view keyword = KeywordOf(chunk);
    if (keyword == kEquationKeyword) throw PictureError("the picture carries an equation already");
    if (keyword == kDescriptionKeyword) continue;  // the equation's text replaces it
    if (chunk.type == "IDAT" && !added) {
      if (!text.empty()) AppendInternationalText(out, kDescriptionKeyword, text);
      AppendInternationalText(out, kEquationKeyword, line);
      added = true;
    }
    out += png.substr(chunk.begin, chunk.Size());
    if (chunk.type == "IEND") break;
  }
  if (!added) throw PictureError("the PNG picture has no image data");
  out += png.substr(at);  // anything after IEND stays as it was
  return out;
}

Reading ReadPng(std::string_view png) {
  std::size_t at = kPngSignature.size();
  PngChunk chunk;
  bool first = true;
  bool broken = false;
  std::optional<std::string> line;
  std::optional<std::string> text;
  while (!(line && text)) {
    const Step step = NextPngChunk(png, at, chunk);
    broken = step == Step::kBroken || (first && (step == Step::kEnd || chunk.type != "IHDR"));
    if (step != Step::kItem || broken || chunk.type == "IEND") break;
    first = false;
    const std::string_view keyword = KeywordOf(chunk);
    if (keyword == kEquationKeyword && !line) {
      if (!CrcMatches(chunk)) return Failure::kDamaged;
      line = TextOf(chunk);
      if (!line) return Failure::kDamaged;
    } else if (keyword == kDescriptionKeyword && !text && CrcMatches(chunk)) {
      text = TextOf(chunk);  // a description that cannot be read is passed over
    }
  }
  if (!line) return WithoutPayload(png, broken, kEquationKeyword);
  return EquationFromLine(*line, text.value_or(""));
}

// ---------------------------------------------------------------------------------------------
// WMF: a placeable header (22 bytes, beginning with its key), the metafile header (18 bytes:
// type, header size in words, version, the metafile's size in words at 6, the number of objects,
// the largest record's size in words at 12, a zero), then records of {size in words, function,
// parameters} ending with META_EOF.

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableHeaderSize = 22;
constexpr std::size_t kMetafileSizeAt = kPlaceableHeaderSize + 6;
constexpr std::size_t kLargestRecordAt = kPlaceableHeaderSize + 12;
constexpr std::size_t kRecordsStart = kPlaceableHeaderSize + 18;
constexpr std::uint16_t kMetaHeaderWords = 9;
constexpr std::uint16_t kMetaEof = 0x0000;
constexpr std::uint16_t kMetaEscape = 0x0626;
constexpr std::uint16_t kMfComment = 0x000F;
constexpr std::size_t kRecordFrame = 6;                           // size and function
constexpr std::size_t kEscapeFrame = kRecordFrame + 4;            // escape and byte count
constexpr std::size_t kPartHeader = kEquationKeyword.size() + 4;  // part number and count
constexpr std::size_t kLargestPart = 0xFFFF;

bool IsPlaceableMetafile(std::string_view wmf) {
  if (wmf.size() < kRecordsStart || ReadLe32(wmf, 0) != kPlaceableKey) return false;
  const std::uint16_t type = ReadLe16(wmf, kPlaceableHeaderSize);
  return (type == 1 || type == 2) && ReadLe16(wmf, kPlaceableHeaderSize + 2) == kMetaHeaderWords;
}

struct WmfRecord {
  std::uint16_t function = 0;
  std::string_view parameters;
};

Step NextWmfRecord(std::string_view wmf, std::size_t& at, WmfRecord& record) {
  if (at == wmf.size()) return Step::kEnd;
  if (wmf.size() - at < kRecordFrame) return Step::kBroken;
  const std::size_t words = ReadLe32(wmf, at);
  if (words < kRecordFrame / 2 || words > (wmf.size() - at) / 2) return Step::kBroken;
  record.function = ReadLe16(wmf, at + 4);
  record.parameters = wmf.substr(at + kRecordFrame, 2 * words - kRecordFrame);
  at += 2 * words;
  return record.function == kMetaEof ? Step::kEnd : Step::kItem;
}

struct WmfPart {
  std::uint16_t number = 0;
  std::uint16_t count = 0;
  std::string_view piece;
};

// The part of the payload a record holds; nothing for any other record. `damaged` is set for a
// comment of ours whose byte count does not fit its record.
std::optional<WmfPart> PartOf(const WmfRecord& record, bool& damaged) {
  const std::string_view parameters = record.parameters;
  if (record.function != kMetaEscape || parameters.size() < 4 ||
      ReadLe16(parameters, 0) != kMfComment)
    return std::nullopt;
  const std::size_t count = ReadLe16(parameters, 2);
  const std::string_view data = parameters.substr(4, count);
  if (!data.starts_with(kEquationKeyword)) return std::nullopt;
  if (data.size() != count || count < kPartHeader) {
    damaged = true;
    return std::nullopt;
  }
  return WmfPart{ReadLe16(data, kEquationKeyword.size()),
                 ReadLe16(data, kEquationKeyword.size() + 2), data.substr(kPartHeader)};
}

std::string AddToWmf(std::string_view wmf, const std::string& stream) {
  if (!IsPlaceableMetafile(wmf)) throw PictureError("the picture is not a placeable metafile");
  std::size_t at = kRecordsStart;
  WmfRecord record;
  for (Step step; (step = NextWmfRecord(wmf, at, record)) != Step::kEnd;) {
    bool damaged = false;
    if (step == Step::kBroken) throw PictureError("the metafile is damaged");
    if (PartOf(record, damaged) || damaged)
      throw PictureError("the picture carries an equation already");
  }

  const std::size_t parts = (stream.size() + kWmfPayloadPartBytes - 1) / kWmfPayloadPartBytes;
  if (parts > kLargestPart) throw PictureError("the equation is too large for a metafile");
  std::string records;
  records.reserve(stream.size() + parts * (kEscapeFrame + kPartHeader + 1));
  std::uint32_t largest = 0;
  for (std::size_t part = 0; part < parts; ++part) {
    const std::string_view piece =
        std::string_view(stream).substr(part * kWmfPayloadPartBytes, kWmfPayloadPartBytes);
    const std::size_t count = kPartHeader + piece.size();
    const auto words = static_cast<std::uint32_t>((kEscapeFrame + count + 1) / 2);
    largest = std::max(largest, words);
    AppendLe(records, words, 4);
    AppendLe(records, kMetaEscape, 2);
    AppendLe(records, kMfComment, 2);
    AppendLe(records, static_cast<std::uint32_t>(count), 2);
    records += kEquationKeyword;
    AppendLe(records, static_cast<std::uint32_t>(part), 2);
    AppendLe(records, static_cast<std::uint32_t>(parts), 2);
    records += piece;
    if (count % 2 != 0) records += '\0';
  }

  const std::uint64_t size = std::uint64_t{ReadLe32(wmf, kMetafileSizeAt)} + records.size() / 2;
  if (size > 0xFFFFFFFF) throw PictureError("the equation is too large for a metafile");
  std::string out;
  out.reserve(wmf.size() + records.size());
  out += wmf.substr(0, kRecordsStart);
  out += records;
  out += wmf.substr(kRecordsStart);
  WriteLe32(out, kMetafileSizeAt, static_cast<std::uint32_t>(size));
  WriteLe32(out, kLargestRecordAt, std::max(ReadLe32(wmf, kLargestRecordAt), largest));
  return out;
}

Reading ReadWmf(std::string_view wmf) {
  if (!IsPlaceableMetafile(wmf)) return WithoutPayload(wmf, true, kEquationKeyword);
  std::size_t at = kRecordsStart;
  WmfRecord record;
  std::string stream;
  std::size_t seen = 0;
  std::size_t count = 0;
  bool broken = false;
  while (seen == 0 || seen < count) {
    const Step step = NextWmfRecord(wmf, at, record);
    broken = step == Step::kBroken;
    if (step != Step::kItem) break;
    bool damaged = false;
    const std::optional<WmfPart> part = PartOf(record, damaged);
    if (damaged) return Failure::kDamaged;
    if (!part) continue;
    if (seen == 0) count = part->count;
    if (count == 0 || part->number != seen || part->count != count) return Failure::kDamaged;
    stream += part->piece;
    ++seen;
  }
  if (seen == 0) return WithoutPayload(wmf, broken, kEquationKeyword);
  if (seen < count) return Failure::kDamaged;
  const std::size_t lineEnd = stream.find('\n');
  if (lineEnd == std::string::npos) return EquationFromLine(stream, "");
  return EquationFromLine(std::string_view(stream).substr(0, lineEnd),
                          std::string_view(stream).substr(lineEnd + 1));
}

// ---------------------------------------------------------------------------------------------
// SVG: as much XML as finding the root element, its first children and one element of ours
// takes. Comments, CDATA sections, processing instructions and declarations are passed over.

struct XmlTag {
  enum class Kind { kStart, kEmpty, kEnd, kOther };
  Kind kind = Kind::kOther;
  std::size_t begin = 0;          // at its '<'
  std::size_t attributesEnd = 0;  // at its '>' or "/>"
  std::size_t end = 0;            // after its '>'
  std::string_view name;
  std::string_view attributes;
};

bool IsNameEnd(char c) {
  return IsAsciiSpace(c) || c == '>' || c == '/';
}

Step NextXmlTag(std::string_view xml, std::size_t& at, XmlTag& tag) {
  const std::size_t open = xml.find('<', at);
  if (open == std::string_view::npos) {
    at = xml.size();
    return Step::kEnd;
  }
  tag = XmlTag{};
  tag.begin = open;
  const std::string_view rest = xml.substr(open);
  const auto passOver = [&](std::string_view close, std::size_t from) {
    const std::size_t found = xml.find(close, open + from);
    if (found == std::string_view::npos) return Step::kBroken;
    tag.end = at = found + close.size();
    return Step::kItem;
  };
  if (rest.starts_with("<!--")) return passOver("-->", 4);
  if (rest.starts_with("<![CDATA[")) return passOver("]]>", 9);
  if (rest.starts_with("<?")) return passOver("?>", 2);
  char quote = 0;
  if (rest.starts_with("<!")) {  // a declaration, perhaps with an internal subset in brackets
    int brackets = 0;
    for (std::size_t i = open + 2; i < xml.size(); ++i) {
      const char c = xml[i];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '[') {
        ++brackets;
      } else if (c == ']') {
        brackets = std::max(brackets - 1, 0);
      } else if (c == '>' && brackets == 0) {
        tag.end = at = i + 1;
        return Step::kItem;
      }
    }
    return Step::kBroken;
  }
  const bool closing = rest.starts_with("</");
  const std::size_t nameBegin = open + (closing ? 2 : 1);
  std::size_t nameEnd = nameBegin;
  while (nameEnd < xml.size() && !IsNameEnd(xml[nameEnd]))
    ++nameEnd;
  if (nameEnd == nameBegin) return Step::kBroken;
  for (std::size_t i = nameEnd; i < xml.size(); ++i) {
    const char c = xml[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      const bool empty = !closing && i > nameEnd && xml[i - 1] == '/';
      tag.kind = closing ? XmlTag::Kind::kEnd : empty ? XmlTag::Kind::kEmpty : XmlTag::Kind::kStart;
      tag.name = xml.substr(nameBegin, nameEnd - nameBegin);
      tag.attributesEnd = empty ? i - 1 : i;
      tag.attributes = xml.substr(nameEnd, tag.attributesEnd - nameEnd);
      tag.end = at = i + 1;
      return Step::kItem;
    }
  }
  return Step::kBroken;
}

// Calls `each(name, value)` for every attribute, values as written; false when they are not
// well-formed.
template <typename Each>
bool ForEachAttribute(std::string_view attributes, Each each) {
  std::size_t i = 0;
  const auto skipSpace = [&] {
    while (i < attributes.size() && IsAsciiSpace(attributes[i]))
      ++i;
  };
  for (;;) {
    skipSpace();
    if (i == attributes.size()) return true;
    const std::size_t nameBegin = i;
    while (i < attributes.size() && !IsAsciiSpace(attributes[i]) && attributes[i] != '=')
      ++i;
    const std::string_view name = attributes.substr(nameBegin, i - nameBegin);
    skipSpace();
    if (i == attributes.size() || attributes[i] != '=') return false;
    ++i;
    skipSpace();
    if (i == attributes.size() || (attributes[i] != '"' && attributes[i] != '\'')) return false;
    const char quote = attributes[i++];
    const std::size_t close = attributes.find(quote, i);
    if (close == std::string_view::npos || name.empty()) return false;
    each(name, attributes.substr(i, close - i));
    i = close + 1;
  }
}

// Moves to the root element's start tag. `asciiOnly` is set when the XML declaration names an
// encoding other than UTF-8, so that text added must use character references.
Step FindRootElement(std::string_view xml, std::size_t& at, XmlTag& root, bool& asciiOnly) {
  for (;;) {
    const Step step = NextXmlTag(xml, at, root);
    if (step != Step::kItem) return step;
    if (root.kind == XmlTag::Kind::kStart || root.kind == XmlTag::Kind::kEmpty) return step;
    if (root.kind == XmlTag::Kind::kEnd) return Step::kBroken;
    const std::string_view markup = xml.substr(root.begin, root.end - root.begin);
    if (markup.starts_with("<?xml") && markup.size() > 7 && IsAsciiSpace(markup[5])) {
      ForEachAttribute(markup.substr(5, markup.size() - 7), [&](auto name, auto value) {
        std::string lowered(value);
        for (char& c : lowered)
          c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (name == "encoding") asciiOnly = lowered != "utf-8" && lowered != "utf8";
      });
    }
  }
}

void AppendXmlEscaped(std::string& out, std::string_view text, bool attribute, bool asciiOnly) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t begin = i;
    const char32_t code = DecodeUtf8(text, i);
    if (code == '&') {
      out += "&amp;";
    } else if (code == '<') {
      out += "&lt;";
    } else if (code == '>') {
      out += "&gt;";
    } else if (attribute && code == '"') {
      out += "&quot;";
    } else if (attribute && code == '\n') {
      out += "&#10;";
    } else if (attribute && code == '\t') {
      out += "&#9;";
    } else if (asciiOnly && code >= 0x80) {
      out += "&#x";
      bool started = false;
      for (int shift = 20; shift >= 0; shift -= 4) {
        const unsigned digit = (code >> shift) & 0xF;
        started = started || digit != 0 || shift == 0;
        if (started) out += kHex[digit];
      }
      out += ';';
    } else {
      out += text.substr(begin, i - begin);
    }
  }
}

// Character data as a parser gives it: references replaced, line ends as "\n". A reference
// this does not know stays as written.
std::string XmlUnescaped(std::string_view text) {
  static constexpr std::array<std::pair<std::string_view, char>, 5> kNamed = {
      {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}}};
  constexpr std::size_t kLongestReference = 10;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      continue;
    }
    const std::size_t semicolon =
        c == '&' ? text.substr(0, i + kLongestReference + 1).find(';', i) : std::string_view::npos;
    if (semicolon == std::string_view::npos) {
      out += c;
      continue;
    }
    const std::string_view name = text.substr(i + 1, semicolon - i - 1);
    const auto named = std::find_if(kNamed.begin(), kNamed.end(),
                                    [&](const auto& entry) { return entry.first == name; });
    if (named != kNamed.end()) {
      out += named->second;
      i = semicolon;
      continue;
    }
    std::uint32_t code = 0;
    const bool hex = name.starts_with("#x");
    const std::string_view digits = name.substr(std::min<std::size_t>(hex ? 2 : 1, name.size()));
    const auto parsed =
        std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    if (!name.starts_with('#') || digits.empty() || parsed.ec != std::errc() ||
        parsed.ptr != digits.data() + digits.size() || code > 0x10FFFF ||
        (code >= 0xD800 && code <= 0xDFFF)) {
      out += c;
      continue;
    }
    AppendUtf8(out, code);
    i = semicolon;
  }
  return out;
}

constexpr std::string_view kSvgPrefix = "kalvane";

// Markup for a document that keeps to ASCII: every other character as a character reference.
std::string AsciiMarkup(std::string_view markup) {
  std::string out;
  std::size_t at = 0;
  while (at < markup.size()) {
    const char32_t code = DecodeUtf8(markup, at);
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else {
      std::array<char, 8> digits{};
      const auto end =
          std::to_chars(digits.begin(), digits.end(), static_cast<std::uint32_t>(code), 16).ptr;
      out += "&#x";
      out.append(digits.begin(), end);
      out += ';';
    }
  }
  return out;
}

std::string AddToSvg(const std::string& svg, const Payload& payload, const std::string& text,
                     std::string_view mathml) {
  if (svg.find(kEquationNamespace) != std::string::npos)
    throw PictureError("the picture carries an equation already");
  std::size_t at = 0;
  XmlTag root;
  bool asciiOnly = false;
  bool hasRole = false;
  bool hasLabel = false;
  if (FindRootElement(svg, at, root, asciiOnly) != Step::kItem || root.name != "svg" ||
      !ForEachAttribute(root.attributes, [&](std::string_view name, std::string_view) {
        hasRole = hasRole || name == "role";
        hasLabel = hasLabel || name == "aria-label";
      }))
    throw PictureError("the picture is not an SVG picture");

  std::string attributes;
  std::string children = "\n";
  if (!text.empty()) {
    if (!hasRole) attributes += " role=\"img\"";
    if (!hasLabel) {
      attributes += " aria-label=\"";
      AppendXmlEscaped(attributes, text, true, asciiOnly);
      attributes += '"';
    }
    children += "<title>";
    AppendXmlEscaped(children, text, false, asciiOnly);
    children += "</title>\n";
  }
  children += "<metadata><";
  children += kSvgPrefix;
  children += ":equation xmlns:";
  children += kSvgPrefix;
  children += "=\"";
  children += kEquationNamespace;
  children += "\" version=\"" + std::to_string(kEquationPayloadVersion) + "\" depth=\"" +
              payload.depth + "\" crc32=\"" + payload.crc32 + "\">";
  children += payload.document;
  children += "</";
  children += kSvgPrefix;
  children += ":equation>";
  children += asciiOnly ? AsciiMarkup(mathml) : std::string(mathml);
  children += "</metadata>";

  const std::string_view picture = svg;
  std::string out;
  out.reserve(svg.size() + attributes.size() + children.size() + 8);
  out += picture.substr(0, root.attributesEnd);
  out += attributes;
  if (root.kind == XmlTag::Kind::kEmpty) {
    out += '>';
    out += children;
    out += "\n</svg>";
  } else {
    out += picture.substr(root.attributesEnd, root.end - root.attributesEnd);
    out += children;
  }
  out += picture.substr(root.end);
  return out;
}

// Whether `tag` is the payload's element: "equation" in our namespace, bound on the element
// itself or, for a prefix, on the root.
bool IsEquationElement(const XmlTag& tag, const std::vector<std::string_view>& rootPrefixes) {
  const std::size_t colon = tag.name.find(':');
  const std::string_view prefix = colon == std::string_view::npos ? "" : tag.name.substr(0, colon);
  const std::string_view local =
      colon == std::string_view::npos ? tag.name : tag.name.substr(colon + 1);
  if (local != "equation") return false;
  bool bound = !prefix.empty() &&
               std::find(rootPrefixes.begin(), rootPrefixes.end(), prefix) != rootPrefixes.end();
  ForEachAttribute(tag.attributes, [&](std::string_view name, std::string_view value) {
    if (value != kEquationNamespace) return;
    if (prefix.empty() ? name == "xmlns" : name.starts_with("xmlns:") && name.substr(6) == prefix)
      bound = true;
  });
  return bound;
}

// The character data from `at` to the next markup; nothing when no markup follows.
std::optional<std::string_view> CharacterData(std::string_view xml, std::size_t at) {
  const std::size_t end = xml.find('<', at);
  if (end == std::string_view::npos) return std::nullopt;
  return xml.substr(at, end - at);
}

Reading ReadSvg(std::string_view xml) {
  std::size_t at = 0;
  XmlTag tag;
  bool asciiOnly = false;
  if (FindRootElement(xml, at, tag, asciiOnly) != Step::kItem || tag.name != "svg")
    return WithoutPayload(xml, true, kEquationNamespace);
  std::vector<std::string_view> prefixes;
  ForEachAttribute(tag.attributes, [&](std::string_view name, std::string_view value) {
    if (name.starts_with("xmlns:") && value == kEquationNamespace)
      prefixes.push_back(name.substr(6));
  });

  std::optional<std::string> title;
  std::optional<PayloadFields> fields;
  bool broken = false;
  for (int depth = tag.kind == XmlTag::Kind::kStart ? 1 : 0; depth > 0 && !(fields && title);) {
    const Step step = NextXmlTag(xml, at, tag);
    broken = step == Step::kBroken;
    if (step != Step::kItem) break;
    if (tag.kind == XmlTag::Kind::kEnd) {
      --depth;
      continue;
    }
    if (tag.kind == XmlTag::Kind::kOther) continue;
    if (depth == 1 && !title && tag.kind == XmlTag::Kind::kStart && tag.name == "title") {
      if (const auto data = CharacterData(xml, tag.end)) title = XmlUnescaped(*data);
    }
    if (!fields && IsEquationElement(tag, prefixes)) {
      const auto data = CharacterData(xml, tag.end);
      if (tag.kind == XmlTag::Kind::kEmpty || !data) return Failure::kDamaged;
      PayloadFields found;
      found.document = *data;
      ForEachAttribute(tag.attributes, [&](std::string_view name, std::string_view value) {
        if (name == "version") found.version = value;
        if (name == "depth") found.depth = value;
        if (name == "crc32") found.crc32 = value;
      });
      fields = found;
    }
    if (tag.kind == XmlTag::Kind::kStart) ++depth;
  }
  if (!fields) return WithoutPayload(xml, broken, kEquationNamespace);
  return EquationFrom(*fields, title.value_or(""));
}

}  // namespace

void AppendPngChunk(std::string& out, std::string_view type, std::string_view data) {
  if (data.size() > kLargestPngChunk) throw PictureError("the equation is too large for PNG");
  AppendBe32(out, static_cast<std::uint32_t>(data.size()));
  out += type;
  out += data;
  AppendBe32(out, Crc32(data, Crc32(type)));
}

// ---------------------------------------------------------------------------------------------

std::string ReadableText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t begin = i;
    if (IsReadable(DecodeUtf8(text, i))) {
      out += text.substr(begin, i - begin);
    } else {
      out += kReplacementCharacter;
    }
  }
  return out;
}

std::string EncodeBase64(std::span<const std::uint8_t> bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out((bytes.size() + 2) / 3 * 4, '=');
  char* next = out.data();
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k)
      group = (group << 8) | (k < count ? bytes[i + k] : 0);
    for (std::size_t k = 0; k <= count; ++k)
      next[k] = kAlphabet[(group >> (18 - 6 * k)) & 0x3F];
    next += 4;
  }
  return out;
}

std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text) {
  const auto valueOf = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  std::vector<std::uint8_t> out;
  out.reserve(text.size() / 4 * 3);
  std::array<char, 4> group{};
  std::size_t filled = 0;
  bool ended = false;  // a padded group ends the text
  for (const char c : text) {
    if (IsAsciiSpace(c)) continue;
    if (ended) return std::nullopt;
    group[filled++] = c;
    if (filled < group.size()) continue;
    filled = 0;
    const std::size_t padding = group[3] != '=' ? 0 : group[2] != '=' ? 1 : 2;
    std::uint32_t bits = 0;
    for (std::size_t k = 0; k < 4 - padding; ++k) {
      const int value = valueOf(group[k]);
      if (value < 0) return std::nullopt;
      bits = (bits << 6) | static_cast<std::uint32_t>(value);
    }
    bits <<= 6 * padding;
    // The bits past the last byte must be zero, so that every byte string has one encoding.
    if ((bits & ((1u << (8 * padding)) - 1)) != 0) return std::nullopt;
    for (std::size_t k = 0; k < 3 - padding; ++k)
      out.push_back(static_cast<std::uint8_t>(bits >> (16 - 8 * k)));
    ended = padding > 0;
  }
  if (filled != 0) return std::nullopt;
  return out;
}

bool CanCarryEquation(PictureFormat format) {
  return format == PictureFormat::kSvg || format == PictureFormat::kPng ||
         format == PictureFormat::kWmf;
}

std::optional<PictureFormat> SniffPictureFormat(std::span<const std::uint8_t> picture) {
  std::string_view bytes = AsChars(picture);
  if (bytes.starts_with(kPngSignature)) return PictureFormat::kPng;
  if (bytes.size() >= 4 && ReadLe32(bytes, 0) == kPlaceableKey) return PictureFormat::kWmf;
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const std::size_t first =
      std::find_if_not(bytes.begin(), bytes.end(), IsAsciiSpace) - bytes.begin();
  bytes.remove_prefix(first);
  if (bytes.starts_with("<?xml") || bytes.starts_with("<svg")) return PictureFormat::kSvg;
  return std::nullopt;
}

std::string AddPictureEquation(std::string picture, PictureFormat format,
                               const PictureEquation& equation, std::string_view mathml) {
  if (!CanCarryEquation(format)) throw PictureError("PDF pictures carry no equation");
  if (equation.document.empty()) throw PictureError("an empty document is no equation");
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(picture.data());
  if (SniffPictureFormat({bytes, picture.size()}) != format)
    throw PictureError("the picture is not of the format it should be");
  const Payload payload(equation);
  const std::string text = ReadableText(equation.text);
  switch (format) {
    case PictureFormat::kPng:
      return AddToPng(picture, payload.Line(), text);
    case PictureFormat::kWmf:
      return AddToWmf(picture, payload.Line() + "\n" + text);
    case PictureFormat::kSvg:
    case PictureFormat::kPdf:
      break;
  }
  return AddToSvg(picture, payload, text, mathml);
}

std::optional<PictureEquation> ReadPictureEquation(std::span<const std::uint8_t> picture,
                                                   std::string& error) {
  const std::string_view bytes = AsChars(picture);
  const std::optional<PictureFormat> format = SniffPictureFormat(picture);
  Reading reading = Failure::kNotAPicture;
  if (format == PictureFormat::kPng) reading = ReadPng(bytes);
  if (format == PictureFormat::kWmf) reading = ReadWmf(bytes);
  if (format == PictureFormat::kSvg) reading = ReadSvg(bytes);
  if (auto* equation = std::get_if<PictureEquation>(&reading)) return std::move(*equation);
  error = MessageOf(std::get<Failure>(reading));
  return std::nullopt;
}

}  // namespace kv
