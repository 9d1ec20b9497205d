// The Symbol character set: a byte of text in the Symbol face is a Symbol code (0x70 is pi,
// 0xF2 the integral sign, 0xE6..0xFE the pieces of tall brackets and integrals).
#pragma once

namespace kv {

// The Unicode character of a Symbol code, or 0 when the code has none: for a symbol face whose
// character map is keyed by Unicode rather than by the codes themselves, and for the markup of
// an equation. The pieces of tall brackets and integrals map to the bracket-piece characters
// U+239B..U+23AE. "f" and "j" keep the fonts' assignment (φ U+03C6, ϕ U+03D5), which names the
// glyphs the other way round from Unicode since 3.0.
char32_t SymbolCodeToUnicode(unsigned char code);

}  // namespace kv
