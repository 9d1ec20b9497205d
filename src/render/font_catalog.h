// Real fonts: fontconfig resolves a font description to a font file, FreeType reads it, and the
// resolved faces are kept, so a description is resolved once per program run however many
// nodes use it.
//
// Metrics are device-independent and unhinted. A font asked for with character height S scales
// the face's design units by S / unitsPerEm:
//   ascent  = OS/2 usWinAscent  (hhea ascender when the face has no OS/2 win metrics),
//   descent = OS/2 usWinDescent (minus the hhea descender likewise),
//   height  = ascent + descent, average width = OS/2 xAvgCharWidth,
//   extent  = the sum of the characters' advances, no kerning.
// Rounding: each metric is scaled once and rounded to nearest (halves away from zero); an
// extent sums the advances in design units and scales the sum once. Glyph i of a string is
// placed at the rounded extent of the first i characters, so the glyphs of a drawn string sit
// exactly where its measured width says and the last one ends at that width.
#pragma once

#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "settings/option_values.h"
#include "typeset/surface.h"

namespace kv {

// Raised when FreeType or fontconfig cannot be started.
class FontError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Design units scaled to a character height: units * characterHeight / unitsPerEm, rounded to
// nearest with halves away from zero, clamped to the range of int.
int ScaleDesignUnits(std::int64_t units, int characterHeight, int unitsPerEm);

// A glyph of a laid-out string and its horizontal offset from the string's origin.
struct PlacedGlyph {
  std::uint32_t index = 0;
  int offset = 0;
};

// A horizontal line drawn with text (underline, strike-out): its centre above the baseline and
// its thickness, in logical units.
struct DecorationLine {
  int centre = 0;
  int thickness = 0;
};

// How the bytes of a string find their glyphs in a face.
enum class ByteMapping {
  kWindows1252,           // text face: the byte's Windows-1252 character through the Unicode map
  kWindowsSymbol,         // symbol map of Windows fonts: the byte at 0xF000 + code
  kAdobeCharmap,          // the face's own Type 1 or CFF encoding, keyed by the code
  kCodeAsUnicode,         // a Unicode map keyed by the Symbol codes themselves
  kSymbolThroughUnicode,  // Symbol code to Unicode (SymbolCodeToUnicode), then the Unicode map
  kFirstCharmap,          // the face's first map, keyed by the byte
};

// A face resolved from a description: one font file, how bytes map to its glyphs, and whether
// bold or italic is synthesized. Immutable once made; owned by the FontCatalog.
class FontFace {
 public:
  // A face for a description that resolved to nothing usable: every metric is 0.
  FontFace() = default;
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  bool Found() const { return face_ != nullptr; }
  const std::string& FilePath() const { return path_; }
  const std::string& FamilyName() const { return family_; }
  bool SyntheticBold() const { return syntheticBold_; }
  bool SyntheticItalic() const { return syntheticItalic_; }
  ByteMapping Mapping() const { return mapping_; }
  // The FreeType face (for reading glyph names and outlines); nullptr when not found.
  FT_Face FreeTypeFace() const { return face_; }
  int UnitsPerEm() const { return unitsPerEm_; }

  std::uint32_t GlyphIndex(unsigned char byte) const { return glyphs_[byte]; }
  // The advance of a byte's glyph in design units (synthetic bold included).
  int DesignAdvance(unsigned char byte) const { return advances_[byte]; }

  TextMetrics MetricsAt(int characterHeight) const;
  int ExtentWidth(std::string_view text, int characterHeight) const;
  // The glyphs of `text` with their offsets; `out` is replaced.
  void PlaceGlyphs(std::string_view text, int characterHeight, std::vector<PlacedGlyph>& out) const;
  DecorationLine Underline(int characterHeight) const;
  DecorationLine StrikeOut(int characterHeight) const;
  // How high the highest glyph outline of `text` reaches above the baseline (0 for a text without
  // ink above it). Each byte's outline is read on first use and its top kept.
  int InkTop(std::string_view text, int characterHeight) const;

  // The outline of a glyph as SVG path data in design units, y upward, synthesis applied (see
  // GlyphOutlinePath); made on first use and kept as long as the face. Empty when not found.
  const std::string& OutlinePath(std::uint32_t glyph) const;

  // The cairo font face made from this face (with its synthesis), made on first use and kept,
  // so cairo's glyph caches live as long as the catalog. nullptr when not found.
  cairo_font_face_t* CairoFace() const;

 private:
  friend class FontCatalog;

  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
  std::string path_;
  std::string family_;
  bool syntheticBold_ = false;
  bool syntheticItalic_ = false;
  ByteMapping mapping_ = ByteMapping::kWindows1252;
  int unitsPerEm_ = 1;
  int ascentUnits_ = 0;
  int descentUnits_ = 0;
  int averageWidthUnits_ = 0;
  DecorationLine underlineUnits_;
  DecorationLine strikeOutUnits_;
  std::array<std::uint32_t, 256> glyphs_{};
  std::array<int, 256> advances_{};
  mutable cairo_font_face_t* cairoFace_ = nullptr;
  // Glyph outlines made so far; a face has at most one glyph per byte, so this stays small.
  mutable std::unordered_map<std::uint32_t, std::string> outlines_;
  // The top of each byte's outline in design units; kUnknownInkTop until it is first asked for.
  static constexpr int kUnknownInkTop = std::numeric_limits<int>::min();
  mutable std::array<int, 256> inkTopUnits_ = MakeUnknownInkTops();
  static constexpr std::array<int, 256> MakeUnknownInkTops() {
    std::array<int, 256> tops{};
    tops.fill(kUnknownInkTop);
    return tops;
  }
};

// Resolves descriptions to faces and keeps them. Not thread-safe; one catalog serves any number
// of surfaces, one after another or side by side.
class FontCatalog {
 public:
  // Starts FreeType and loads the fontconfig configuration; throws FontError when either fails.
  FontCatalog();
  ~FontCatalog();
  FontCatalog(const FontCatalog&) = delete;
  FontCatalog& operator=(const FontCatalog&) = delete;

  // The face for a description's face name, weight, italic flag and charset. A face named
  // "Symbol" (any case) or a symbol charset takes Symbol codes; every other face takes
  // Windows-1252 text. Never fails: a description that resolves to no usable font gives a face
  // that is not Found().
  const FontFace& Resolve(const KVLogFont& description);

  // How many distinct faces have been loaded.
  std::size_t LoadedFaceCount() const { return faces_.size(); }

 private:
  struct Request {
    std::string name;  // lower case
    int weight;
    bool italic;
    bool symbol;
    bool operator==(const Request&) const = default;
  };
  struct RequestHash {
    std::size_t operator()(const Request& r) const;
  };
  // What a request resolved to; requests resolving alike share one face.
  // (file, face index, bold asked, italic asked, symbol request)
  using Resolution = std::tuple<std::string, int, bool, bool, bool>;

  // The fields of a description that decide its face, as they were given.
  struct RecentDescription {
    std::array<char, KVLogFont::kFaceNameSize> faceName{};
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t charSet = 0;
    const FontFace* face = nullptr;
    bool Matches(const KVLogFont& description) const {
      return face != nullptr && weight == description.lfWeight && italic == description.lfItalic &&
             charSet == description.lfCharSet && faceName == description.lfFaceName;
    }
  };
  // A picture selects a handful of fonts again and again, once per node measured or drawn: the
  // last few descriptions are compared as given before a request is made and looked up.
  static constexpr std::size_t kRecentDescriptions = 8;

  const FontFace& ResolveDescription(const KVLogFont& description);
  const FontFace& ResolveRequest(const Request& request);
  std::unique_ptr<FontFace> OpenFace(const Resolution& resolution, const std::string& family);

  struct Library;
  std::unique_ptr<Library> library_;
  std::map<Resolution, std::unique_ptr<FontFace>> faces_;
  std::unordered_map<Request, const FontFace*, RequestHash> requests_;
  FontFace missing_;
  std::array<RecentDescription, kRecentDescriptions> recent_{};
  std::size_t nextRecent_ = 0;
};

}  // namespace kv
