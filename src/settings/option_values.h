// Option objects: a setting's current, default and saved value, the section and key it lives
// under in a configuration store, and for integers and reals an inclusive range. The three value
// classes describe drawing attributes (font, pen, brush) and are stored in documents.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

class Archive;

// Colours are 0x00BBGGRR.
using ColorRef = std::int32_t;

// ---------------------------------------------------------------------------------------------
// Value classes

// A font description laid out like the platform's logical font, plus a colour and a size.
struct KVLogFont {
  static constexpr std::string_view kClassName = "KVLogFont";
  static constexpr int kSchema = 1;
  static constexpr std::size_t kFaceNameSize = 32;  // 31 characters and the terminator

  std::int32_t lfHeight = -14;
  std::int32_t lfWidth = 0;
  std::int32_t lfEscapement = 0;
  std::int32_t lfOrientation = 0;
  std::int32_t lfWeight = 400;  // 400 normal, 700 bold
  std::uint8_t lfItalic = 0;
  std::uint8_t lfUnderline = 0;
  std::uint8_t lfStrikeOut = 0;
  std::uint8_t lfCharSet = 0;
  std::uint8_t lfOutPrecision = 7;
  std::uint8_t lfClipPrecision = 48;
  std::uint8_t lfQuality = 2;
  std::uint8_t lfPitchAndFamily = 2;
  std::array<char, kFaceNameSize> lfFaceName = {'A', 'r', 'i', 'a', 'l'};
  ColorRef colour = 0;
  std::int32_t size = 400;  // character height, hundredths of a millimetre

  // The face name up to its terminator.
  std::string FaceName() const;
  // Stores at most 31 characters, zero-filling the rest of the field.
  void SetFaceName(std::string_view name);

  // 52 bytes: height, weight, the italic/underline/strike-out/charset bytes, the 32-byte face
  // field, colour, size. The other fields are not stored and keep their values when loading.
  void Serialize(Archive& ar);
  void CopyFrom(const KVLogFont& other) { *this = other; }
  bool operator==(const KVLogFont&) const = default;
};

// A line description. Mode 0 takes `type` as an index into the pen table; any other mode takes
// it as a raw pen style.
struct KVLogPen {
  static constexpr std::string_view kClassName = "KVLogPen";
  static constexpr int kSchema = 1;

  std::int32_t mode = 0;
  std::int32_t type = 6;
  ColorRef colour = 0;
  double width = 0.0;  // hundredths of a millimetre, where the table does not fix it

  // 20 bytes: mode, type, colour, width.
  void Serialize(Archive& ar);
  void CopyFrom(const KVLogPen& other) { *this = other; }
  bool operator==(const KVLogPen&) const = default;
};

// A fill description. Mode 0 indexes the brush table, mode 1 holds raw brush values, any other
// mode means a plain black solid brush.
struct KVLogBrush {
  static constexpr std::string_view kClassName = "KVLogBrush";
  static constexpr int kSchema = 1;

  std::int32_t mode = 0;
  std::int32_t type = 1;
  ColorRef colour = 0;
  std::int32_t hatch = 0;

  // 16 bytes: mode, type, colour, hatch.
  void Serialize(Archive& ar);
  void CopyFrom(const KVLogBrush& other) { *this = other; }
  bool operator==(const KVLogBrush&) const = default;
};

// ---------------------------------------------------------------------------------------------
// Pen and brush tables: descriptions turned into the drawing attributes a surface realises.

// Pen styles (the values of the platform's pen style bits).
enum PenStyleBits : std::int32_t {
  kPsSolid = 0,
  kPsDash = 1,
  kPsDot = 2,
  kPsDashDot = 3,
  kPsDashDotDot = 4,
  kPsNull = 5,
  kPsInsideFrame = 6,
  kPsGeometric = 0x10000,
};

struct PenAttributes {
  std::int32_t style = kPsSolid;
  std::int32_t width = 1;  // hundredths of a millimetre
  ColorRef colour = 0;
  bool operator==(const PenAttributes&) const = default;
};

// Brush styles and hatches (the values of the platform's brush description).
enum BrushStyle : std::int32_t { kBsSolid = 0, kBsNull = 1, kBsHatched = 2 };
enum HatchStyle : std::int32_t {
  kHsHorizontal = 0,
  kHsVertical = 1,
  kHsFDiagonal = 2,
  kHsBDiagonal = 3,
  kHsCross = 4,
  kHsDiagCross = 5,
};

struct BrushAttributes {
  std::int32_t style = kBsSolid;
  ColorRef colour = 0;
  std::int32_t hatch = 0;
  bool operator==(const BrushAttributes&) const = default;
};

PenAttributes PenFromDescription(const KVLogPen& pen);
BrushAttributes BrushFromDescription(const KVLogBrush& brush);

// ---------------------------------------------------------------------------------------------
// Scalar options

// What every option knows about itself: where it lives in a store, and a flag byte that is
// given at configure time and copied, but read by nobody.
class OptionIdentity {
 public:
  const std::string& Section() const { return section_; }
  const std::string& Key() const { return key_; }
  std::uint8_t Flag() const { return flag_; }
  bool operator==(const OptionIdentity&) const = default;

 protected:
  void Identify(std::string_view section, std::string_view key, std::uint8_t flag);

 private:
  std::string section_;
  std::string key_;
  std::uint8_t flag_ = 0;
};

// Current, default and saved value of one setting. The saved value is the value as it was at
// the last read from or write to a store.
template <typename T>
class ValueOption : public OptionIdentity {
 public:
  const T& Current() const { return current_; }
  const T& Default() const { return default_; }
  const T& Saved() const { return saved_; }
  void Set(T value) { current_ = std::move(value); }
  void MarkSaved() { saved_ = current_; }
  bool operator==(const ValueOption&) const = default;

 protected:
  void ConfigureValue(std::string_view section, std::string_view key, std::uint8_t flag,
                      T defaultValue) {
    Identify(section, key, flag);
    current_ = defaultValue;
    saved_ = defaultValue;
    default_ = std::move(defaultValue);
  }

  T current_{};
  T default_{};
  T saved_{};
};

class IntOption : public ValueOption<std::int32_t> {
 public:
  void Configure(std::string_view section, std::string_view key, std::uint8_t flag,
                 std::int32_t defaultValue, std::int32_t minimum, std::int32_t maximum);
  // The value for use: an out-of-range value is first replaced by the midpoint of the range,
  // and the repaired value is kept.
  std::int32_t Get();
  // The value for use by a reader of a const record: as Get, but the repair is not kept.
  std::int32_t InRange() const;
  // Replaces an out-of-range current value by the midpoint of the range.
  void Repair();
  std::int32_t Minimum() const { return minimum_; }
  std::int32_t Maximum() const { return maximum_; }
  void Serialize(Archive& ar);
  bool operator==(const IntOption&) const = default;

 private:
  std::int32_t minimum_ = 0;
  std::int32_t maximum_ = 0;
};

class DoubleOption : public ValueOption<double> {
 public:
  void Configure(std::string_view section, std::string_view key, std::uint8_t flag,
                 double defaultValue, double minimum, double maximum);
  // As IntOption::Get; a value that is not a number counts as out of range.
  double Get();
  void Repair();
  double Minimum() const { return minimum_; }
  double Maximum() const { return maximum_; }
  void Serialize(Archive& ar);
  bool operator==(const DoubleOption&) const = default;

 private:
  double minimum_ = 0.0;
  double maximum_ = 0.0;
};

class BoolOption : public ValueOption<bool> {
 public:
  void Configure(std::string_view section, std::string_view key, std::uint8_t flag,
                 bool defaultValue);
  bool Get() const { return current_; }
  void Serialize(Archive& ar);
  bool operator==(const BoolOption&) const = default;
};

class ColorOption : public ValueOption<ColorRef> {
 public:
  void Configure(std::string_view section, std::string_view key, std::uint8_t flag,
                 ColorRef defaultValue);
  ColorRef Get() const { return current_; }
  void Serialize(Archive& ar);
  bool operator==(const ColorOption&) const = default;
};

class StringOption : public ValueOption<std::string> {
 public:
  static constexpr std::int32_t kNoLimit = -1;

  // A text setting with a maximum length (kNoLimit for none).
  void Configure(std::string_view section, std::string_view key, std::uint8_t flag,
                 std::string_view defaultValue, std::int32_t maximumLength);
  // A one-character text setting: it has no maximum length and is never kept in a store. A NUL
  // character gives the empty text.
  void Configure(std::string_view section, std::string_view key, std::uint8_t flag,
                 char defaultCharacter);
  // The current text, cut to the maximum length first.
  const std::string& Get();
  // Assigns, then cuts to the maximum length.
  void Set(std::string value);
  // Cuts the current text to the maximum length.
  void EnforceMaximumLength();
  std::int32_t MaximumLength() const { return maximumLength_; }
  bool IsSingleCharacter() const { return singleCharacter_; }
  void Serialize(Archive& ar);
  bool operator==(const StringOption&) const = default;

 private:
  std::int32_t maximumLength_ = kNoLimit;
  bool singleCharacter_ = false;
};

// ---------------------------------------------------------------------------------------------
// Named options holding a value class: a current and a default value, no saved value.

template <typename Value>
class ValueClassOption : public OptionIdentity {
 public:
  void Configure(std::string_view section, std::string_view key, std::uint8_t flag,
                 const Value& defaultValue) {
    Identify(section, key, flag);
    current_.CopyFrom(defaultValue);
    default_.CopyFrom(defaultValue);
  }
  const Value& Current() const { return current_; }
  Value& Current() { return current_; }
  const Value& Default() const { return default_; }
  void Set(const Value& value) { current_.CopyFrom(value); }
  void ResetToDefault() { current_.CopyFrom(default_); }
  // Only the current value is archived.
  void Serialize(Archive& ar) { current_.Serialize(ar); }
  bool operator==(const ValueClassOption&) const = default;

 private:
  Value current_;
  Value default_;
};

class KVOptionKVLogFont : public ValueClassOption<KVLogFont> {
 public:
  static constexpr std::string_view kClassName = "KVOptionKVLogFont";
  static constexpr int kSchema = 1;
};

class KVOptionKVLogPen : public ValueClassOption<KVLogPen> {
 public:
  static constexpr std::string_view kClassName = "KVOptionKVLogPen";
  static constexpr int kSchema = 1;
};

// The brush option has no flag byte of its own; it is configured like the others and passes 0.
class KVOptionKVLogBrush : public ValueClassOption<KVLogBrush> {
 public:
  static constexpr std::string_view kClassName = "KVOptionKVLogBrush";
  static constexpr int kSchema = 1;
};

}  // namespace kv
