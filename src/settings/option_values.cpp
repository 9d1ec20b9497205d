#include "settings/option_values.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/archive.h"

namespace kv {
namespace {

// The inside-frame widths of pen table entries 6 to 11, in hundredths of a millimetre.
constexpr std::array<std::int32_t, 6> kInsideFrameWidths = {25, 50, 75, 100, 150, 250};

// Width rounded to the nearest whole number, halves up, kept inside the int32 range.
std::int32_t RoundPenWidth(double width) {
  if (std::isnan(width)) return 0;
  const double rounded = std::floor(width + 0.5);
  if (rounded <= std::numeric_limits<std::int32_t>::min()) {
    return std::numeric_limits<std::int32_t>::min();
  }
  if (rounded >= std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  return static_cast<std::int32_t>(rounded);
}

// The hatch of brush table entries 2 to 7.
constexpr std::array<std::int32_t, 6> kHatchOfType = {kHsFDiagonal, kHsBDiagonal, kHsHorizontal,
                                                      kHsVertical,  kHsCross,     kHsDiagCross};

std::int32_t IntMidpoint(std::int32_t minimum, std::int32_t maximum) {
  return static_cast<std::int32_t>((std::int64_t{minimum} + maximum) / 2);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

std::string KVLogFont::FaceName() const {
  const auto end = std::find(lfFaceName.begin(), lfFaceName.end(), '\0');
  return std::string(lfFaceName.begin(), end);
}

void KVLogFont::SetFaceName(std::string_view name) {
  lfFaceName.fill('\0');
  const std::size_t length = std::min(name.size(), kFaceNameSize - 1);
  std::copy_n(name.begin(), length, lfFaceName.begin());
}

void KVLogFont::Serialize(Archive& ar) {
  ar.Transfer(lfHeight);
  ar.Transfer(lfWeight);
  ar.Transfer(lfItalic);
  ar.Transfer(lfUnderline);
  ar.Transfer(lfStrikeOut);
  ar.Transfer(lfCharSet);
  auto* face = reinterpret_cast<std::uint8_t*>(lfFaceName.data());
  if (ar.IsStoring()) {
    ar.WriteBytes({face, kFaceNameSize});
  } else {
    ar.ReadBytes({face, kFaceNameSize});
    // A face read from a file may fill all 32 bytes; the field always stays terminated.
    lfFaceName.back() = '\0';
  }
  ar.Transfer(colour);
  ar.Transfer(size);
}

void KVLogPen::Serialize(Archive& ar) {
  ar.Transfer(mode);
  ar.Transfer(type);
  ar.Transfer(colour);
  ar.Transfer(width);
}

void KVLogBrush::Serialize(Archive& ar) {
  ar.Transfer(mode);
  ar.Transfer(type);
  ar.Transfer(colour);
  ar.Transfer(hatch);
}

// ---------------------------------------------------------------------------------------------

PenAttributes PenFromDescription(const KVLogPen& pen) {
  PenAttributes result;
  result.colour = pen.colour;
  if (pen.type == 5 || pen.type == 12) {
    result.style = kPsNull;
    result.width = 1;
  } else if (pen.mode == 0 && pen.type == 0) {
    result.style = kPsSolid;
    result.width = RoundPenWidth(pen.width);
  } else if (pen.mode == 0 && pen.type >= 1 && pen.type <= 4) {
    constexpr std::array<std::int32_t, 4> kDashes = {kPsDot, kPsDash, kPsDashDot, kPsDashDotDot};
    result.style = kPsGeometric | kDashes[pen.type - 1];
    result.width = 1;
  } else if (pen.mode == 0 && pen.type >= 6 && pen.type <= 11) {
    result.style = kPsGeometric | kPsInsideFrame;
    result.width = kInsideFrameWidths[pen.type - 6];
  } else {
    result.style = pen.type;
    result.width = RoundPenWidth(pen.width);
  }
  return result;
}

BrushAttributes BrushFromDescription(const KVLogBrush& brush) {
  BrushAttributes result;
  if (brush.mode == 0) {
    result.colour = brush.colour;
    if (brush.type == 0) {
      result.style = kBsNull;
    } else if (brush.type >= 2 && brush.type <= 7) {
      result.style = kBsHatched;
      result.hatch = kHatchOfType[brush.type - 2];
    }
  } else if (brush.mode == 1) {
    result = {brush.type, brush.colour, brush.hatch};
  }
  return result;
}

// ---------------------------------------------------------------------------------------------

void OptionIdentity::Identify(std::string_view section, std::string_view key, std::uint8_t flag) {
  section_ = section;
  key_ = key;
  flag_ = flag;
}

void IntOption::Configure(std::string_view section, std::string_view key, std::uint8_t flag,
                          std::int32_t defaultValue, std::int32_t minimum, std::int32_t maximum) {
  ConfigureValue(section, key, flag, defaultValue);
  minimum_ = minimum;
  maximum_ = maximum;
}

void IntOption::Repair() {
  if (current_ < minimum_ || current_ > maximum_) current_ = IntMidpoint(minimum_, maximum_);
}

std::int32_t IntOption::Get() {
  Repair();
  return current_;
}

std::int32_t IntOption::InRange() const {
  if (current_ < minimum_ || current_ > maximum_) return IntMidpoint(minimum_, maximum_);
  return current_;
}

void IntOption::Serialize(Archive& ar) {
  ar.Transfer(current_);
}

void DoubleOption::Configure(std::string_view section, std::string_view key, std::uint8_t flag,
                             double defaultValue, double minimum, double maximum) {
  ConfigureValue(section, key, flag, defaultValue);
  minimum_ = minimum;
  maximum_ = maximum;
}

void DoubleOption::Repair() {
  // Written so that a NaN, which compares false with everything, is repaired too.
  if (!(current_ >= minimum_ && current_ <= maximum_)) current_ = (minimum_ + maximum_) * 0.5;
}

double DoubleOption::Get() {
  Repair();
  return current_;
}

void DoubleOption::Serialize(Archive& ar) {
  ar.Transfer(current_);
}

void BoolOption::Configure(std::string_view section, std::string_view key, std::uint8_t flag,
                           bool defaultValue) {
  ConfigureValue(section, key, flag, defaultValue);
}

void BoolOption::Serialize(Archive& ar) {
  ar.Transfer(current_);
}

void ColorOption::Configure(std::string_view section, std::string_view key, std::uint8_t flag,
                            ColorRef defaultValue) {
  ConfigureValue(section, key, flag, defaultValue);
}

void ColorOption::Serialize(Archive& ar) {
  ar.Transfer(current_);
}

void StringOption::Configure(std::string_view section, std::string_view key, std::uint8_t flag,
                             std::string_view defaultValue, std::int32_t maximumLength) {
  ConfigureValue(section, key, flag, std::string(defaultValue));
  maximumLength_ = maximumLength;
  singleCharacter_ = false;
}

void StringOption::Configure(std::string_view section, std::string_view key, std::uint8_t flag,
                             char defaultCharacter) {
  ConfigureValue(section, key, flag,
                 defaultCharacter == '\0' ? std::string() : std::string(1, defaultCharacter));
  maximumLength_ = kNoLimit;
  singleCharacter_ = true;
}

void StringOption::EnforceMaximumLength() {
  if (maximumLength_ >= 0 && current_.size() > static_cast<std::size_t>(maximumLength_)) {
    current_.resize(static_cast<std::size_t>(maximumLength_));
  }
}

const std::string& StringOption::Get() {
  EnforceMaximumLength();
  return current_;
}

void StringOption::Set(std::string value) {
  current_ = std::move(value);
  EnforceMaximumLength();
}

void StringOption::Serialize(Archive& ar) {
  ar.Transfer(current_);
}

}  // namespace kv
