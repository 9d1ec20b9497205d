// Drawing: paints a measured equation line on a surface. Every node is placed from the boxes that
// measuring left in the line's layout, so a drawn picture never disagrees with its measured size;
// each node is drawn by its construct's rule (construct.h). Drawing reads the tree and the layout
// and changes neither.
//
// Drawing works from an explicit list of pending rows and nodes rather than by recursion, so a
// tree nested as deep as its text is long is drawn without a deep call stack.
#pragma once

#include "reader/equation_node.h"
#include "typeset/line_layout.h"
#include "typeset/surface.h"

namespace kv {

class EquationLine;
class EquationSettings;

// Parses nothing: measures the line into `layout` if it needs it, then draws its top row so
// that the line's box stands at (x, y) as the surface's text alignment says (left, right or
// centre; top, baseline or bottom). The alignment is restored afterwards; the background mode is
// left transparent.
void DrawEquation(const EquationLine& line, LineLayout& layout, Surface& surface, int x, int y,
                  EquationSettings& settings);

// Draws a measured row with its bottom at y and its left edge at x; returns its box.
NodeBox Draw(const NodeRow& row, const LineLayout& layout, Surface& surface, int x, int y,
             EquationSettings& settings);

// The pen that a pen description makes on `surface`: pixel surfaces scale its width to pixels,
// metafiles get a cosmetic pen unless the pen is a geometric solid or inside-frame one.
PenAttributes PenForSurface(const Surface& surface, PenAttributes pen);

}  // namespace kv
