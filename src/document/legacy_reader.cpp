#include "document/legacy_reader.h"

#include <array>
#include <string>

#include "base/archive.h"
#include "settings/equation_settings.h"

namespace kv {
namespace {

using S = EquationSettings;

// Short strings before the settings: the twenty lines and one more that is skipped.
constexpr std::size_t kStoredLineCount = 21;

constexpr std::array<IntOption S::*, 5> kLegacyIntegers = {
    &S::LowerCase, &S::DisplayVect, &S::DoubleCaps, &S::TabWidth, &S::VerticalSpacing};

constexpr std::array<BoolOption S::*, 7> kLegacyStyleFlags = {
    &S::RaiseDecimal,  &S::FunctionsItalic, &S::FunctionsBold, &S::VariablesItalic,
    &S::VariablesBold, &S::GreekItalic,     &S::GreekBold};

constexpr int kLetterCount = 26;

// A length byte no document of the older layout holds: the file is something else.
class NotALegacyDocument : public ArchiveError {
 public:
  using ArchiveError::ArchiveError;
};
constexpr int kSkippedIntegersAfterMultiply = 2;

std::string ReadShortString(Archive& ar) {
  const std::uint8_t length = ar.ReadByte();
  if (length > kLongestLegacyLine) {
    throw NotALegacyDocument("A line of " + std::to_string(length) +
                             " characters is longer than the older layout allows.");
  }
  std::string text(length, '\0');
  ar.ReadBytes({reinterpret_cast<std::uint8_t*>(text.data()), text.size()});
  return text;
}

bool ReadFlag(Archive& ar) {
  return ar.ReadInt32() != 0;
}

void ReadFields(Archive& ar, KVEquationList& lines, EquationSettings& settings) {
  for (std::size_t i = 0; i < kStoredLineCount; ++i) {
    std::string line = ReadShortString(ar);
    if (i < KVEquationList::kLineCount) lines.SetLine(i, std::move(line));
  }
  ar.ReadByte();
  for (IntOption S::*member : kLegacyIntegers) {
    IntOption& option = settings.*member;
    option.Set(ar.ReadInt32());
    option.Repair();
  }
  for (BoolOption S::*member : kLegacyStyleFlags)
    (settings.*member).Set(ReadFlag(ar));
  for (int letter = 0; letter < kLetterCount; ++letter)
    settings.Letter(letter).Set(ReadFlag(ar));
  ReadShortString(ar);
  ar.ReadInt32();
  settings.MultiplyStyle.Set(ReadFlag(ar) ? 1 : 0);
  settings.MultiplyStyle.Repair();
  for (int i = 0; i < kSkippedIntegersAfterMultiply; ++i)
    ar.ReadInt32();
}

}  // namespace

void ReadLegacyLayout(Archive& ar, KVEquationList& lines, EquationSettings& settings) {
  try {
    ReadFields(ar, lines, settings);
  } catch (const NotALegacyDocument&) {
    throw;
  } catch (const ArchiveError&) {
    // The stream ended early: what was read stays.
  }
}

}  // namespace kv
