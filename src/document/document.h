// The document: one equation of up to twenty lines and the settings it is drawn with. It splits
// the text into lines, keeps its own copy of every setting, and reads and writes the archive of
// the "Contents" stream of a document file.
//
// The "Contents" stream: the archive string "KLV3DOC", the version word 1, the twenty lines as
// archive strings, the settings block (EquationSettings::Serialize) and the archive string
// "/KLV3DOC/". A stream that does not begin with the tag is the older flat layout
// (legacy_reader.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/equation_list.h"
#include "settings/equation_settings.h"
#include "typeset/node_box.h"

namespace kv {

class Archive;
class IniFile;
class KLV300Doc;
class Surface;

// What a document asks of the application that owns it. The editor answers with its own state;
// the command line and the tests answer with HeadlessHost or a stand-in of their own.
class DocumentHost {
 public:
  virtual ~DocumentHost() = default;
  // The defaults that new documents copy.
  virtual const EquationSettings& MasterSettings() const = 0;
  // The store shared with the word processor's macro, as the application loaded it.
  virtual IniFile& ExchangeStore() = 0;
  // Shows a text in the equation bar's edit box; showing it is not an edit of the document.
  virtual void ShowEquationText(std::string_view text) = 0;
  // Asks every view of `document` to draw it again.
  virtual void UpdateAllViews(const KLV300Doc& document) = 0;
  // Lets the user edit `document`'s settings; true when the user accepted the changes, which are
  // then in the document's settings.
  virtual bool RunOptionsSheet(KLV300Doc& document) = 0;
};

class KLV300Doc {
 public:
  static constexpr std::string_view kDocumentTag = "KLV3DOC";
  static constexpr std::string_view kClosingTag = "/KLV3DOC/";
  static constexpr std::uint16_t kVersion = 1;

  // Section and keys of the exchange store through which the word processor names its font.
  static constexpr std::string_view kFontInfoSection = "Font Info";
  static constexpr std::string_view kFontNameKey = "Name";
  static constexpr std::string_view kFontSizeKey = "Size";
  static constexpr std::string_view kNoFont = "No Font";

  // Twenty empty lines and the settings' factory defaults. `host` must outlive the document.
  explicit KLV300Doc(DocumentHost& host);
  KLV300Doc(const KLV300Doc&) = delete;
  KLV300Doc& operator=(const KLV300Doc&) = delete;

  // Replaces the text (see KVEquationList::Split), marks the document modified and redraws.
  void SetEquationText(std::string_view text);
  // The twenty lines joined by CR LF; also kept as the document's text.
  const std::string& GetEquationText();

  // Parses and measures every non-empty line on `surface`, fills the list's line offsets and
  // returns the box of the lines stacked top to bottom, VerticalSpacing apart (an empty line
  // between two others takes one spacing). An empty document has the box of the digit 3.
  NodeBox GetDocumentExtent(Surface& surface);
  // Draws every non-empty line so that the stack's top-left corner is at (x, y). Leaves the
  // surface's text alignment at left-bottom.
  void DrawDocument(Surface& surface, int x, int y);
  // Every line read with the document's settings (a line read already is not read again): the
  // top row of each, null for an empty line, as markup takes them (EquationRows). The rows stay
  // valid until a line is read again.
  std::vector<const NodeRow*> ReadLines();

  // Writes the "Contents" stream, or reads it (the current layout, or the older one when the
  // tag is missing) and shows the text read in the edit box. Reading raises ArchiveError when
  // the stream ends early or holds what no layout allows; the document may then hold part of
  // what was read, so callers that keep the document restore it (document_file.h does).
  void Serialize(Archive& ar);

  // A new document: no text, the settings a copy of the host's defaults and, when their
  // UseWordFont is set, the word processor's font from the exchange store. Always succeeds.
  bool OnNewDocument();
  // The settings become a copy of the host's defaults; every line reads its text again.
  void ResetPreferences();
  // The user edits the settings through the host; when the changes are accepted every line reads
  // its text again, and the document is modified and redrawn. True when they were accepted.
  bool EditPreferences();

  const KVEquationList& EquationList() const { return equationList_; }
  KVEquationList& EquationList() { return equationList_; }
  const EquationSettings& Settings() const { return settings_; }
  // The settings, for changing; a caller that changes them calls SettingsChanged afterwards.
  EquationSettings& Settings() { return settings_; }
  // Every line reads its text again at its next parse; the document is modified and redrawn.
  void SettingsChanged();

  bool IsModified() const { return modified_; }
  void SetModifiedFlag(bool modified) { modified_ = modified; }

  // The page (0 to 5) the options sheet opens on; any other value opens the first page.
  int OptionsStartPage() const { return optionsStartPage_; }
  void SetOptionsStartPage(int page) { optionsStartPage_ = page; }

 private:
  void WriteContents(Archive& ar);
  void ReadContents(Archive& ar);
  void TakeWordProcessorFont();
  // Line `index` read with the document's settings; not read again when it was read already.
  EquationLine& ReadLine(std::size_t index);

  DocumentHost& host_;
  std::string text_;
  KVEquationList equationList_;
  EquationSettings settings_;
  int optionsStartPage_ = -1;
  bool modified_ = false;
};

// A host without windows, for the command line and for tests: it holds the defaults and an
// exchange store of its own, and shows and redraws nothing.
class HeadlessHost : public DocumentHost {
 public:
  HeadlessHost();
  explicit HeadlessHost(EquationSettings masterSettings);
  ~HeadlessHost() override;

  const EquationSettings& MasterSettings() const override { return masterSettings_; }
  IniFile& ExchangeStore() override { return *exchangeStore_; }
  void ShowEquationText(std::string_view) override {}
  void UpdateAllViews(const KLV300Doc&) override {}
  bool RunOptionsSheet(KLV300Doc&) override { return false; }

 private:
  EquationSettings masterSettings_;
  std::unique_ptr<IniFile> exchangeStore_;
};

// The character height, in hundredths of a millimetre, of a font of `points` points, truncated;
// nothing for a size that is not positive or whose height does not fit the font's field.
std::optional<std::int32_t> CharacterHeightOfPoints(std::int32_t points);

}  // namespace kv
