// Owning handles of fontconfig's objects: each is destroyed with fontconfig's own function.
#pragma once

#include <fontconfig/fontconfig.h>

#include <memory>

namespace kv {

struct FontconfigDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
  void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
  void operator()(FcObjectSet* set) const { FcObjectSetDestroy(set); }
  void operator()(FcCharSet* set) const { FcCharSetDestroy(set); }
};

using PatternPtr = std::unique_ptr<FcPattern, FontconfigDeleter>;
using FontSetPtr = std::unique_ptr<FcFontSet, FontconfigDeleter>;
using ObjectSetPtr = std::unique_ptr<FcObjectSet, FontconfigDeleter>;
using CharSetPtr = std::unique_ptr<FcCharSet, FontconfigDeleter>;

}  // namespace kv
