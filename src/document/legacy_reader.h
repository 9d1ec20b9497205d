// The flat layout of the previous major version, read but never written. It has no tags and no
// archive strings; a short string is one length byte (0 to 127) and that many characters. In
// order: 21 short strings (the first twenty are the lines, the last is skipped), a skipped byte,
// LowerCase, DisplayVect, DoubleCaps, TabWidth and VerticalSpacing as int32, seven style flags
// and the 26 letter flags as int32 (non-zero is true), a skipped short string, a skipped int32,
// the multiplication flag as int32 (MultiplyStyle 1 when non-zero, else 0), two skipped int32.
// Settings the layout does not carry keep the values they had.
#pragma once

#include "document/equation_list.h"

namespace kv {

class Archive;
class EquationSettings;

// The longest line the older layout holds.
inline constexpr std::uint8_t kLongestLegacyLine = 127;

// Reads the older layout from the archive's position into `lines` and `settings`, field by field,
// so that a stream that ends early keeps everything read before its end: reading then stops
// quietly. The integers read are repaired into their ranges at once. A length byte above 127
// cannot occur in a document of that layout: it raises ArchiveError, the file being no document.
void ReadLegacyLayout(Archive& ar, KVEquationList& lines, EquationSettings& settings);

}  // namespace kv
