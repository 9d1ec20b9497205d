#include "render/text_families.h"

#include <map>

#include "render/font_catalog.h"
#include "render/fontconfig_handles.h"
#include "typeset/node_font.h"

namespace kv {
namespace {

const char* Text(const FcChar8* text) {
  return reinterpret_cast<const char*>(text);
}

// The name fontconfig knows a face's family by: the English one where the face names its
// family in several languages, as the options store face names to be looked up again on any
// system. Empty when the face has no family name.
std::string FamilyName(FcPattern* face) {
  FcChar8* first = nullptr;
  FcChar8* name = nullptr;
  FcChar8* language = nullptr;
  for (int i = 0; FcPatternGetString(face, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (i == 0) first = name;
    if (FcPatternGetString(face, FC_FAMILYLANG, i, &language) == FcResultMatch &&
        FcStrCmpIgnoreCase(language, reinterpret_cast<const FcChar8*>("en")) == 0)
      return Text(name);
  }
  return first ? Text(first) : std::string();
}

CharSetPtr LatinLetters() {
  CharSetPtr letters(FcCharSetCreate());
  for (FcChar32 c = 'A'; c <= 'Z'; ++c) {
    FcCharSetAddChar(letters.get(), c);
    FcCharSetAddChar(letters.get(), c - 'A' + 'a');
  }
  return letters;
}

// Whether a face draws letters for the letters of equation text. A symbol-encoded face keys its
// glyphs by symbol codes, and a face whose Unicode map lacks the Latin letters draws other
// characters or nothing for them.
bool SetsLatinText(FcPattern* face, const FcCharSet* letters) {
  FcBool symbol = FcFalse;
  if (FcPatternGetBool(face, FC_SYMBOL, 0, &symbol) == FcResultMatch && symbol) return false;
  FcCharSet* coverage = nullptr;
  return FcPatternGetCharSet(face, FC_CHARSET, 0, &coverage) == FcResultMatch &&
         FcCharSetIsSubset(letters, coverage);
}

bool IsOutline(FcPattern* face) {
  FcBool outline = FcFalse;
  return FcPatternGetBool(face, FC_OUTLINE, 0, &outline) == FcResultMatch && outline;
}

// fontconfig matches family names regardless of case and blanks, so names equal that way reach
// the same faces and are one family.
std::string FamilyKey(const std::string& name) {
  FcChar8* lower = FcStrDowncase(reinterpret_cast<const FcChar8*>(name.c_str()));
  std::string key = lower != nullptr ? Text(lower) : name;
  FcStrFree(lower);
  std::erase(key, ' ');
  return key;
}

struct Family {
  std::string name;
  bool outline = false;
  bool symbol = false;
};

}  // namespace

std::vector<TextFamily> ListTextFamilies() {
  PatternPtr all(FcPatternCreate());
  ObjectSetPtr properties(FcObjectSetCreate());
  for (const char* property : {FC_FAMILY, FC_FAMILYLANG, FC_OUTLINE, FC_CHARSET, FC_SYMBOL})
    FcObjectSetAdd(properties.get(), property);
  const FontSetPtr faces(FcFontList(nullptr, all.get(), properties.get()));
  if (!faces) return {};

  // A family is judged by all its faces: which of them the engine picks for a name is
  // fontconfig's choice. Some symbol families come both as a Type 1 file without letters and
  // as an OpenType file whose Unicode map puts symbols at the letters' codes; the first gives
  // the family away.
  const CharSetPtr letters = LatinLetters();
  std::map<std::string, Family> families;
  for (int i = 0; i < faces->nfont; ++i) {
    FcPattern* face = faces->fonts[i];
    const std::string name = FamilyName(face);
    if (name.empty()) continue;
    Family& family = families[FamilyKey(name)];
    if (family.name.empty()) family.name = name;
    family.outline = family.outline || IsOutline(face);
    family.symbol = family.symbol || !SetsLatinText(face, letters.get());
  }

  std::vector<TextFamily> list;
  for (const auto& [key, family] : families) {
    if (family.symbol || IsSymbolFaceName(family.name)) continue;
    list.push_back({family.name, family.outline});
  }
  return list;
}

}  // namespace kv
