#include "document/document.h"

#include <cmath>
#include <limits>

#include "base/archive.h"
#include "document/legacy_reader.h"
#include "options/config_store.h"

namespace kv {
namespace {

// Hundredths of a millimetre in one typographic point.
constexpr double kUnitsPerPoint = 35.2777755;

}  // namespace

std::optional<std::int32_t> CharacterHeightOfPoints(std::int32_t points) {
  if (points <= 0) return std::nullopt;
  const double height = std::trunc(points * kUnitsPerPoint);
  if (height > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(height);
}

KLV300Doc::KLV300Doc(DocumentHost& host) : host_(host) {}

void KLV300Doc::SetEquationText(std::string_view text) {
  text_ = text;
  equationList_.Split(text);
  SetModifiedFlag(true);
  host_.UpdateAllViews(*this);
}

const std::string& KLV300Doc::GetEquationText() {
  text_ = equationList_.Join();
  return text_;
}

void KLV300Doc::Serialize(Archive& ar) {
  if (ar.IsStoring()) {
    WriteContents(ar);
    return;
  }
  ReadContents(ar);
  // The lines may hold their old text under new settings: every one reads again.
  equationList_.MarkAllForRebuild();
  host_.ShowEquationText(GetEquationText());
}

void KLV300Doc::WriteContents(Archive& ar) {
  ar.WriteString(kDocumentTag);
  ar.WriteWord(kVersion);
  for (std::size_t i = 0; i < KVEquationList::kLineCount; ++i)
    ar.WriteString(equationList_.Line(i));
  settings_.Serialize(ar);
  ar.WriteString(kClosingTag);
}

void KLV300Doc::ReadContents(Archive& ar) {
  const std::size_t start = ar.Position();
  if (ar.ReadString() != kDocumentTag) {
    ar.Seek(start);
    ReadLegacyLayout(ar, equationList_, settings_);
    return;
  }
  // A version of 0, or one with the top bit set, is a document with nothing in it.
  if (static_cast<std::int16_t>(ar.ReadWord()) < 1) return;
  for (std::size_t i = 0; i < KVEquationList::kLineCount; ++i)
    equationList_.SetLine(i, ar.ReadString());
  settings_.Serialize(ar);
  ar.ReadString();  // the closing tag is read but not compared
}

bool KLV300Doc::OnNewDocument() {
  text_.clear();
  equationList_.Clear();
  settings_ = host_.MasterSettings();
  if (settings_.UseWordFont.Get()) TakeWordProcessorFont();
  SetModifiedFlag(false);
  return true;
}

// The word processor's macro names its current font in the exchange store. "No Font" means it
// has none; so does an empty or missing name, which would otherwise make a font with no face.
// A size that is missing or makes no sense keeps the size the font has.
void KLV300Doc::TakeWordProcessorFont() {
  IniFile& store = host_.ExchangeStore();
  const std::string name = store.ReadString(kFontInfoSection, kFontNameKey);
  if (name == kNoFont || name.empty()) return;
  KVLogFont font = settings_.Font.Current();
  font.SetFaceName(name);
  if (const auto height = CharacterHeightOfPoints(store.ReadInt(kFontInfoSection, kFontSizeKey)))
    font.size = *height;
  settings_.Font.Set(font);
}

void KLV300Doc::ResetPreferences() {
  settings_ = host_.MasterSettings();
  SettingsChanged();
}

bool KLV300Doc::EditPreferences() {
  if (!host_.RunOptionsSheet(*this)) return false;
  SettingsChanged();
  return true;
}

void KLV300Doc::SettingsChanged() {
  equationList_.MarkAllForRebuild();
  SetModifiedFlag(true);
  host_.UpdateAllViews(*this);
}

HeadlessHost::HeadlessHost() : exchangeStore_(std::make_unique<IniFile>()) {}

HeadlessHost::HeadlessHost(EquationSettings masterSettings)
    : masterSettings_(std::move(masterSettings)), exchangeStore_(std::make_unique<IniFile>()) {}

HeadlessHost::~HeadlessHost() = default;

}  // namespace kv
