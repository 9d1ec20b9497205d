// Font descriptions for the tests of the picture surfaces.
#pragma once

#include <string_view>

#include "settings/option_values.h"

namespace kv::test {

// A description of `face` in `colour`, every other field at its default.
inline KVLogFont FaceFont(std::string_view face, ColorRef colour = 0) {
  KVLogFont font;
  font.SetFaceName(face);
  font.colour = colour;
  return font;
}

}  // namespace kv::test
