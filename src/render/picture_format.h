// The formats Kalvane writes pictures in, and the error of a picture that cannot be made. Kept
// apart from the surfaces so that code working on encoded pictures as bytes needs no cairo.
#pragma once

#include <stdexcept>

namespace kv {

enum class PictureFormat { kPng, kSvg, kPdf, kWmf };

// Raised for a picture that cannot be made (a resolution out of range, a picture too large) or
// that cairo failed to produce, and for an encoded picture that is not what it should be.
class PictureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kv
