// The font chooser of the options pages: a drop-down list of the installed text faces in which
// every entry can show its face name, a sample drawn in that face, or both, with a small marker
// in front of outline (scalable) faces.
#pragma once

#include <QComboBox>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QStyledItemDelegate>
#include <map>
#include <optional>
#include <vector>

class QPainter;
class QTimer;

namespace kv {

// The kinds of face an entry's item data (Qt::UserRole) holds, as flags.
enum FaceTypeFlag : int {
  kBitmapFace = 1,   // drawn from fixed-size bitmaps
  kOutlineFace = 4,  // drawn from outlines, at any size; marked in the list
};

// An installed face family that can set equation text, with its FaceTypeFlag flags.
struct TextFace {
  QString name;
  int flags = 0;
};

// The families of the installed faces that cover the Latin letters, so that equation text
// (Windows-1252 bytes drawn through a face's Unicode map) can use them, sorted case-insensitively,
// one entry per family. Faces whose codes stand for symbols rather than letters are left out.
std::vector<TextFace> ListTextFaces();

// What an entry shows.
enum class FontPreviewStyle {
  kNameInFace = 0,      // the face name, drawn in that face
  kName = 1,            // the face name in the control's font; no preview fonts are made
  kNameThenSample = 2,  // the name in the control's font, then the sample in the face
  kSampleThenName = 3,  // the sample in the face, then the name in the control's font
  kSample = 4,          // the sample in the face only
};

class CFontPreviewCombo;

// Measures and draws the entries of the drop-down list through the combo box's rules.
class FontPreviewDelegate final : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit FontPreviewDelegate(CFontPreviewCombo& combo);

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  CFontPreviewCombo& combo_;
};

class CFontPreviewCombo final : public QComboBox {
  Q_OBJECT

 public:
  // The character height of the preview fonts, in pixels.
  static constexpr int kFontHeight = 18;
  // What the entries show of a face: letters of both cases, which tell faces apart at a glance.
  static constexpr const char* kSampleText = "abcdeABCDE";

  explicit CFontPreviewCombo(QWidget* parent = nullptr);

  FontPreviewStyle PreviewStyle() const { return style_; }
  // Fills the list again when it already holds faces, keeping the selected one.
  void SetPreviewStyle(FontPreviewStyle style);

  // Lists the installed text faces, makes their preview fonts (except in FontPreviewStyle::kName)
  // and selects the first.
  void Fill();

  // The selected face's name; empty when nothing is selected.
  QString SaveFaceName() const;
  // Selects the first face whose name begins with `name` (any case), or the first face when
  // none does.
  void LoadFaceName(const QString& name);
  // As LoadFaceName, but a name that no listed face begins with (a face this system does not
  // have, which it draws in a face of its own choosing) joins the list in its sorted place and is
  // selected, so that the name is kept rather than replaced by the first face.
  void KeepFaceName(const QString& name);

  // The preview font of a face; nullptr when none was made.
  const QFont* PreviewFont(const QString& face) const;
  std::size_t PreviewFontCount() const { return previewFonts_.size(); }
  // The face at the preview height, whether or not a preview font is kept for it.
  QFont FaceFont(const QString& face) const;

  // The height of entry `row` in the list: the face's font height at kFontHeight, plus 4.
  int ItemHeight(int row) const;
  // The width of an entry's content in the list: marker, gaps and texts.
  int ItemContentWidth(int row) const;
  // The width the drop-down list needs at least, in the current style.
  int DropDownWidth() const;
  // The widest name (in the control's font) and the widest sample (in its face) of the entries;
  // measured only where the list shows both side by side, and 0 in the other styles.
  int WidestName() const;
  int WidestSample() const;

  // Where an entry is drawn: in the drop-down list, or in the box itself (the edit part), where
  // the second text follows the first one of this entry rather than the widest.
  enum class Place { kList, kEditPart };
  struct ItemState {
    bool selected = false;
    bool focused = false;
    Place place = Place::kList;
  };
  // Draws entry `row` into `rect`.
  void DrawItem(QPainter& painter, const QRect& rect, int row, ItemState state) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  void showPopup() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // What an entry needs of its face: the font's height and the widths of the name and the
  // sample drawn in it.
  struct FaceMetrics {
    int height = 0;
    int nameWidth = 0;
    int sampleWidth = 0;
  };

  // Measuring a face loads it, about a millisecond each: a list of a few hundred faces is
  // measured a few entries at a time while the event loop is idle, and whatever is still missing
  // when the list or a measure is asked for is measured then.
  const FaceMetrics& MetricsOf(int row) const;
  void MeasureWhileIdle();
  void ForgetMeasures();
  void MeasureColumns() const;
  int NameWidth(int row) const;
  int SampleWidth(int row) const;
  // The height an entry needs in the box itself, frame not included.
  int EditPartHeight() const;
  const QPixmap& OutlineMarker(qreal devicePixelRatio) const;

  FontPreviewDelegate* delegate_;  // a child of this box
  QTimer* idleMeasuring_;          // likewise
  FontPreviewStyle style_ = FontPreviewStyle::kNameInFace;
  std::map<QString, QFont> previewFonts_;
  mutable std::vector<std::optional<FaceMetrics>> faceMetrics_;  // by row
  int nextIdleRow_ = 0;
  mutable bool columnsMeasured_ = false;
  mutable int widestName_ = 0;
  mutable int widestSample_ = 0;
  mutable QPixmap outlineMarker_;
};

}  // namespace kv
