// Drawing: paints a measured equation line on a surface. Every node is placed from the boxes that
// measuring left in it, so a drawn picture never disagrees with its measured size.
//
// Drawing works from an explicit list of pending rows and nodes rather than by recursion, so a
// tree nested as deep as its text is long is drawn without a deep call stack.
#pragma once

#include <string>

#include "reader/equation_node.h"
#include "typeset/surface.h"

namespace kv {

class EquationLine;
class EquationSettings;

// Parses nothing: measures the line if it needs it, then draws its top row so that the line's box
// stands at (x, y) as the surface's text alignment says (left, right or centre; top, baseline or
// bottom). The alignment is restored afterwards; the background mode is left transparent.
void DrawEquation(EquationLine& line, Surface& surface, int x, int y, EquationSettings& settings);

// Draws a measured and adjusted row with its bottom at y and its left edge at x; returns its box.
NodeBox Draw(NodeRow& row, Surface& surface, int x, int y, EquationSettings& settings);
// Draws a measured node whose row's bottom is at y; returns its box.
NodeBox Draw(EquationNode& node, Surface& surface, int x, int y, EquationSettings& settings);

// The radical sign for a radicand w wide and h high whose bottom is at y; returns the distance
// from x to where the radicand starts.
int DrawRootSign(Surface& surface, int x, int y, int w, int h);

// A vector, interval or accent mark ("_", "AB", "LC", "IVRIGHT", "IVLEFT", "IVBOTH", ":", "::",
// "^^") over or under the box (x, y, w, h), in the selected font and pen.
void DrawDecoration(Surface& surface, int x, int y, int w, int h, std::string_view mark,
                    EquationSettings& settings);

// Draws a bracket or the integral sign (0xF2) stretched to `height` from Symbol-font pieces with
// the bottom at y. Returns false, drawing nothing, when the height does not call for pieces (the
// caller draws the glyph as text); the bar halves "]|" and "|[" are then turned into "|" in
// `glyph`. An unknown glyph also gives false.
bool DrawStretchGlyph(Surface& surface, int x, int y, std::string& glyph, int height, int base,
                      ColorRef colour);

// The pen that a pen description makes on `surface`: pixel surfaces scale its width to pixels,
// metafiles get a cosmetic pen unless the pen is a geometric solid or inside-frame one.
PenAttributes PenForSurface(const Surface& surface, PenAttributes pen);

// The most pieces a stretched sign is built of; taller signs get taller pieces, so a huge sign
// over a tiny base size cannot ask for millions of text outputs.
inline constexpr std::int64_t kMaximumStretchPieces = 1024;

}  // namespace kv
