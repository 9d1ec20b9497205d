// The radical sign, which roots draw and tests look at on its own.
#pragma once

#include "typeset/surface.h"

namespace kv {

// The radical sign for a radicand w wide and h high whose bottom is at y; returns the distance
// from x to where the radicand starts.
int DrawRootSign(Surface& surface, int x, int y, int w, int h);

}  // namespace kv
