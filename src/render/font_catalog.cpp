#include "render/font_catalog.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include "base/clamping.h"

#include FT_ADVANCES_H
#include FT_MODULE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "base/symbol_encoding.h"
#include "base/windows1252.h"
#include "render/fontconfig_handles.h"
#include "render/glyph_outline.h"
#include "typeset/node_font.h"

namespace kv {
namespace {

constexpr int kNormalWeight = 400;
constexpr int kLightestWeight = 1;
constexpr int kHeaviestWeight = 1000;
// A face lighter than this, asked for at this weight or more, is emboldened.
constexpr int kBoldThreshold = 600;
// Synthetic bold thickens outlines by a 24th of the em (kSyntheticBoldShare); every advance
// grows by as much, so emboldened glyphs keep their distance.
constexpr std::uint16_t kNoOs2Table = 0xFFFF;
// The Symbol code of pi, used to recognise a map keyed by Symbol codes.
constexpr unsigned char kSymbolPi = 0x70;
constexpr char32_t kGreekSmallAlpha = 0x03B1;
constexpr char32_t kGreekSmallPi = 0x03C0;
constexpr char32_t kWindowsSymbolBase = 0xF000;

// FreeType's memory functions. The library is reference-counted (cairo holds references to
// faces it renders), so its memory record must outlive any catalog: it has static storage.
void* FtAlloc(FT_Memory, long size) {
  return std::malloc(static_cast<std::size_t>(size));
}
void FtFree(FT_Memory, void* block) {
  std::free(block);
}
void* FtRealloc(FT_Memory, long, long newSize, void* block) {
  return std::realloc(block, static_cast<std::size_t>(newSize));
}
FT_MemoryRec_ ftMemory = {nullptr, FtAlloc, FtFree, FtRealloc};

// What cairo holds of a face while it keeps the cairo font face made from it.
struct FreeTypeHold {
  FreeTypeHold(FT_Face f, FT_Library l) : face(f), library(l) {
    FT_Reference_Library(library);
    FT_Reference_Face(face);
  }
  ~FreeTypeHold() {
    FT_Done_Face(face);
    FT_Done_Library(library);
  }
  FreeTypeHold(const FreeTypeHold&) = delete;
  FreeTypeHold& operator=(const FreeTypeHold&) = delete;
  FT_Face face;
  FT_Library library;
};
const cairo_user_data_key_t kHoldKey{};
void ReleaseHold(void* hold) {
  std::unique_ptr<FreeTypeHold>(static_cast<FreeTypeHold*>(hold));
}

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

int NormalisedWeight(int weight) {
  return weight == 0 ? kNormalWeight : std::clamp(weight, kLightestWeight, kHeaviestWeight);
}

FT_CharMap FindCharmap(FT_Face face, std::initializer_list<FT_Encoding> encodings) {
  for (int i = 0; i < face->num_charmaps; ++i)
    for (FT_Encoding e : encodings)
      if (face->charmaps[i]->encoding == e) return face->charmaps[i];
  return nullptr;
}

bool Maps(FT_Face face, FT_CharMap map, FT_ULong code) {
  return map && FT_Set_Charmap(face, map) == 0 && FT_Get_Char_Index(face, code) != 0;
}

// Picks the map that gives a byte its glyph. Symbol faces differ in how they key Symbol codes:
// Windows symbol fonts at 0xF000 + code, Type 1 and CFF fonts in their own encoding, some
// OpenType conversions by the code itself in a Unicode map; a face that maps real Greek letters
// in its Unicode map is not keyed by codes, so codes go through the Unicode table.
ByteMapping ChooseMapping(FT_Face face, bool symbol, FT_CharMap& map) {
  FT_CharMap unicode = FindCharmap(face, {FT_ENCODING_UNICODE});
  FT_CharMap windowsSymbol = FindCharmap(face, {FT_ENCODING_MS_SYMBOL});
  FT_CharMap adobe = FindCharmap(face, {FT_ENCODING_ADOBE_CUSTOM});
  FT_CharMap first = face->num_charmaps > 0 ? face->charmaps[0] : nullptr;
  if (!symbol) {
    if (unicode) return map = unicode, ByteMapping::kWindows1252;
    if (windowsSymbol) return map = windowsSymbol, ByteMapping::kWindowsSymbol;
    return map = first, ByteMapping::kFirstCharmap;
  }
  if (windowsSymbol) return map = windowsSymbol, ByteMapping::kWindowsSymbol;
  if (Maps(face, adobe, kSymbolPi)) return map = adobe, ByteMapping::kAdobeCharmap;
  if (unicode) {
    map = unicode;
    const bool greek = Maps(face, unicode, kGreekSmallPi) || Maps(face, unicode, kGreekSmallAlpha);
    return greek ? ByteMapping::kSymbolThroughUnicode : ByteMapping::kCodeAsUnicode;
  }
  return map = first, ByteMapping::kFirstCharmap;
}

std::uint32_t GlyphOfByte(FT_Face face, ByteMapping mapping, unsigned char byte) {
  switch (mapping) {
    case ByteMapping::kWindows1252:
      return FT_Get_Char_Index(face, Windows1252ToUnicode(byte));
    case ByteMapping::kWindowsSymbol:
      if (FT_UInt glyph = FT_Get_Char_Index(face, kWindowsSymbolBase + byte)) return glyph;
      return FT_Get_Char_Index(face, byte);
    case ByteMapping::kSymbolThroughUnicode: {
      const char32_t c = SymbolCodeToUnicode(byte);
      return c ? FT_Get_Char_Index(face, c) : 0;
    }
    case ByteMapping::kAdobeCharmap:
    case ByteMapping::kCodeAsUnicode:
    case ByteMapping::kFirstCharmap:
      return FT_Get_Char_Index(face, byte);
  }
  return 0;
}

}  // namespace

int ScaleDesignUnits(std::int64_t units, int characterHeight, int unitsPerEm) {
  if (characterHeight <= 0 || unitsPerEm <= 0) return 0;
  const bool negative = units < 0;
  const std::int64_t magnitude = negative ? -units : units;
  // magnitude * height / em = whole * height + part * height / em; only the part is rounded.
  const std::int64_t whole = magnitude / unitsPerEm;
  const std::int64_t part = magnitude % unitsPerEm;
  std::int64_t scaled = 0;
  if (__builtin_mul_overflow(whole, std::int64_t{characterHeight}, &scaled))
    scaled = std::numeric_limits<std::int64_t>::max() / 2;
  scaled += (2 * part * characterHeight + unitsPerEm) / (2 * std::int64_t{unitsPerEm});
  return ClampLength(negative ? -scaled : scaled);
}

// ---------------------------------------------------------------------------------------------
// FontFace

FontFace::~FontFace() {
  if (cairoFace_) cairo_font_face_destroy(cairoFace_);
  if (face_) FT_Done_Face(face_);
}

TextMetrics FontFace::MetricsAt(int characterHeight) const {
  if (!Found() || characterHeight <= 0) return {};
  const int ascent = ScaleDesignUnits(ascentUnits_, characterHeight, unitsPerEm_);
  const int descent = ScaleDesignUnits(descentUnits_, characterHeight, unitsPerEm_);
  return {.height = ClampLength(std::int64_t{ascent} + descent),
          .ascent = ascent,
          .descent = descent,
          .averageWidth = ScaleDesignUnits(averageWidthUnits_, characterHeight, unitsPerEm_)};
}

int FontFace::ExtentWidth(std::string_view text, int characterHeight) const {
  if (!Found()) return 0;
  std::int64_t units = 0;
  for (char c : text)
    units += advances_[static_cast<unsigned char>(c)];
  return ScaleDesignUnits(units, characterHeight, unitsPerEm_);
}

void FontFace::PlaceGlyphs(std::string_view text, int characterHeight,
                           std::vector<PlacedGlyph>& out) const {
  out.clear();
  if (!Found()) return;
  out.reserve(text.size());
  std::int64_t units = 0;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    out.push_back({glyphs_[byte], ScaleDesignUnits(units, characterHeight, unitsPerEm_)});
    units += advances_[byte];
  }
}

DecorationLine FontFace::Underline(int characterHeight) const {
  return {ScaleDesignUnits(underlineUnits_.centre, characterHeight, unitsPerEm_),
          std::max(1, ScaleDesignUnits(underlineUnits_.thickness, characterHeight, unitsPerEm_))};
}

DecorationLine FontFace::StrikeOut(int characterHeight) const {
  return {ScaleDesignUnits(strikeOutUnits_.centre, characterHeight, unitsPerEm_),
          std::max(1, ScaleDesignUnits(strikeOutUnits_.thickness, characterHeight, unitsPerEm_))};
}

int FontFace::InkTop(std::string_view text, int characterHeight) const {
  if (!Found()) return 0;
  int top = 0;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    int& units = inkTopUnits_[byte];
    if (units == kUnknownInkTop) {
      units = 0;
      if (glyphs_[byte] != 0 &&
          FT_Load_Glyph(face_, glyphs_[byte], FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0 &&
          face_->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_BBox box;
        FT_Outline_Get_CBox(&face_->glyph->outline, &box);
        units = static_cast<int>(std::clamp<FT_Pos>(box.yMax, 0, std::numeric_limits<int>::max()));
      }
    }
    top = std::max(top, ScaleDesignUnits(units, characterHeight, unitsPerEm_));
  }
  return top;
}

const std::string& FontFace::OutlinePath(std::uint32_t glyph) const {
  const auto known = outlines_.find(glyph);
  if (known != outlines_.end()) return known->second;
  return outlines_.emplace(glyph, GlyphOutlinePath(face_, glyph, syntheticBold_, syntheticItalic_))
      .first->second;
}

cairo_font_face_t* FontFace::CairoFace() const {
  if (!face_ || cairoFace_) return cairoFace_;
  cairo_font_face_t* made = cairo_ft_font_face_create_for_ft_face(face_, FT_LOAD_NO_HINTING);
  // cairo may keep the font face after this face is gone (its caches outlive us), so it holds
  // its own references to the FreeType face and library.
  auto hold = std::make_unique<FreeTypeHold>(face_, library_);
  if (cairo_font_face_set_user_data(made, &kHoldKey, hold.get(), ReleaseHold) !=
      CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(made);
    return nullptr;
  }
  hold.release();
  unsigned synthesis = 0;
  if (syntheticBold_) synthesis |= CAIRO_FT_SYNTHESIZE_BOLD;
  if (syntheticItalic_) synthesis |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
  cairo_ft_font_face_set_synthesize(made, synthesis);
  cairoFace_ = made;
  return cairoFace_;
}

// ---------------------------------------------------------------------------------------------
// FontCatalog

struct FontCatalog::Library {
  FT_Library freetype = nullptr;
  FcConfig* fontconfig = nullptr;
  Library() = default;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  ~Library() {
    if (fontconfig) FcConfigDestroy(fontconfig);
    if (freetype) FT_Done_Library(freetype);
  }
};

std::size_t FontCatalog::RequestHash::operator()(const Request& r) const {
  std::size_t h = std::hash<std::string>{}(r.name);
  h = h * 31 + static_cast<std::size_t>(r.weight);
  return h * 4 + (r.italic ? 2 : 0) + (r.symbol ? 1 : 0);
}

FontCatalog::FontCatalog() : library_(std::make_unique<Library>()) {
  if (FT_New_Library(&ftMemory, &library_->freetype) != 0) {
    library_->freetype = nullptr;
    throw FontError("FreeType cannot be started");
  }
  FT_Add_Default_Modules(library_->freetype);
  FT_Set_Default_Properties(library_->freetype);
  library_->fontconfig = FcInitLoadConfigAndFonts();
  if (!library_->fontconfig) throw FontError("the fontconfig configuration cannot be loaded");
}

FontCatalog::~FontCatalog() = default;

const FontFace& FontCatalog::Resolve(const KVLogFont& description) {
  for (const RecentDescription& known : recent_) {
    if (known.Matches(description)) return *known.face;
  }
  const FontFace& face = ResolveDescription(description);
  recent_[nextRecent_] = {description.lfFaceName, description.lfWeight, description.lfItalic,
                          description.lfCharSet, &face};
  nextRecent_ = (nextRecent_ + 1) % kRecentDescriptions;
  return face;
}

const FontFace& FontCatalog::ResolveDescription(const KVLogFont& description) {
  std::string name = LowerAscii(description.FaceName());
  const bool symbol = TakesSymbolCodes(description);
  Request request{std::move(name), NormalisedWeight(description.lfWeight),
                  description.lfItalic != 0, symbol};
  if (auto it = requests_.find(request); it != requests_.end()) return *it->second;
  const FontFace& face = ResolveRequest(request);
  requests_.emplace(std::move(request), &face);
  return face;
}

const FontFace& FontCatalog::ResolveRequest(const Request& request) {
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) return missing_;
  const std::string family = Windows1252ToUtf8(request.name);
  if (!family.empty())
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(request.weight));
  FcPatternAddInteger(pattern.get(), FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  FcConfigSubstitute(library_->fontconfig, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(library_->fontconfig, pattern.get(), &result));
  FcChar8* file = nullptr;
  if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch)
    return missing_;
  int index = 0;
  FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
  FcChar8* matchedFamily = nullptr;
  FcPatternGetString(match.get(), FC_FAMILY, 0, &matchedFamily);

  // Whether bold or italic must be synthesized depends on the file alone (the matched pattern
  // already carries the weight and slant asked for), so OpenFace decides it.
  Resolution resolution{reinterpret_cast<const char*>(file), index,
                        request.weight >= kBoldThreshold, request.italic, request.symbol};
  if (auto it = faces_.find(resolution); it != faces_.end()) return *it->second;
  std::unique_ptr<FontFace> face = OpenFace(
      resolution, matchedFamily ? reinterpret_cast<const char*>(matchedFamily) : std::string());
  if (!face) return missing_;
  return *faces_.emplace(std::move(resolution), std::move(face)).first->second;
}

std::unique_ptr<FontFace> FontCatalog::OpenFace(const Resolution& resolution,
                                                const std::string& family) {
  const auto& [path, index, bold, italic, symbol] = resolution;
  FT_Face ftFace = nullptr;
  if (FT_New_Face(library_->freetype, path.c_str(), index, &ftFace) != 0) return nullptr;
  auto face = std::make_unique<FontFace>();
  face->library_ = library_->freetype;
  face->face_ = ftFace;
  if (!FT_IS_SCALABLE(ftFace) || ftFace->units_per_EM == 0) return nullptr;
  face->path_ = path;
  face->family_ = family;
  face->unitsPerEm_ = ftFace->units_per_EM;

  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ftFace, FT_SFNT_OS2));
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(ftFace, FT_SFNT_HHEA));
  const bool hasOs2 = os2 && os2->version != kNoOs2Table;
  const bool boldFile = hasOs2 && os2->usWeightClass > 0
                            ? os2->usWeightClass >= kBoldThreshold
                            : (ftFace->style_flags & FT_STYLE_FLAG_BOLD) != 0;
  const bool italicFile = (ftFace->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
  face->syntheticBold_ = bold && !boldFile;
  face->syntheticItalic_ = italic && !italicFile;
  if (hasOs2 && os2->usWinAscent + os2->usWinDescent > 0) {
    face->ascentUnits_ = os2->usWinAscent;
    face->descentUnits_ = os2->usWinDescent;
  } else if (hhea) {
    face->ascentUnits_ = hhea->Ascender;
    face->descentUnits_ = -hhea->Descender;
  } else {
    face->ascentUnits_ = ftFace->ascender;
    face->descentUnits_ = -ftFace->descender;
  }

  FT_CharMap map = nullptr;
  face->mapping_ = ChooseMapping(ftFace, symbol, map);
  if (map) FT_Set_Charmap(ftFace, map);
  const int boldExtra = face->syntheticBold_
                            ? (face->unitsPerEm_ + kSyntheticBoldShare / 2) / kSyntheticBoldShare
                            : 0;
  for (int byte = 0; byte < 256; ++byte) {
    const std::uint32_t glyph =
        map ? GlyphOfByte(ftFace, face->mapping_, static_cast<unsigned char>(byte)) : 0;
    FT_Fixed advance = 0;
    FT_Get_Advance(ftFace, glyph, FT_LOAD_NO_SCALE, &advance);
    face->glyphs_[byte] = glyph;
    face->advances_[byte] = static_cast<int>(advance) + boldExtra;
  }

  if (hasOs2 && os2->xAvgCharWidth > 0) {
    face->averageWidthUnits_ = os2->xAvgCharWidth + boldExtra;
  } else {  // the mean advance of the printable ASCII characters the face has
    std::int64_t sum = 0, count = 0;
    for (int byte = 0x20; byte < 0x7F; ++byte)
      if (face->glyphs_[byte] != 0) sum += face->advances_[byte], ++count;
    face->averageWidthUnits_ = count ? static_cast<int>(sum / count) : face->unitsPerEm_ / 2;
  }

  const int underlineThickness =
      ftFace->underline_thickness > 0 ? ftFace->underline_thickness : face->unitsPerEm_ / 20;
  face->underlineUnits_ = {ftFace->underline_position, underlineThickness};
  if (hasOs2 && os2->yStrikeoutSize > 0)
    face->strikeOutUnits_ = {os2->yStrikeoutPosition - os2->yStrikeoutSize / 2,
                             os2->yStrikeoutSize};
  else
    face->strikeOutUnits_ = {face->ascentUnits_ / 3, underlineThickness};
  return face;
}

}  // namespace kv
