#include "app/font_combo.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QTimer>
#include <algorithm>

#include "render/text_families.h"

namespace kv {
namespace {

// The layout of an entry, in pixels from its left edge: the marker, the column it leaves free,
// and the gaps before and between the texts.
constexpr QPoint kMarkerOffset(5, 4);
constexpr int kMarkerColumn = 15;
constexpr int kTextGap = 10;
// The space an entry gives its texts above and below, together.
constexpr int kItemPadding = 4;
constexpr QSize kMarkerSize(15, 13);

bool ListsBefore(const TextFace& a, const TextFace& b) {
  const int order = a.name.compare(b.name, Qt::CaseInsensitive);
  return order != 0 ? order < 0 : a.name < b.name;
}

// The face drawing an entry's texts at the preview height. Fonts are not merged: a preview shows
// the face itself, gaps and all, and not what other fonts would fill in.
QFont MakeFaceFont(const QString& face) {
  QFont font(face);
  font.setPixelSize(CFontPreviewCombo::kFontHeight);
  font.setWeight(QFont::Normal);
  font.setStyleStrategy(QFont::NoFontMerging);
  return font;
}

// The marker of outline faces: the contour of a capital letter with the nodes of its outline,
// drawn for the device's pixel ratio so that it stays sharp on any screen.
QPixmap MakeOutlineMarker(qreal devicePixelRatio) {
  QPixmap marker(kMarkerSize * devicePixelRatio);
  marker.setDevicePixelRatio(devicePixelRatio);
  marker.fill(Qt::transparent);
  QPainter painter(&marker);
  painter.setRenderHint(QPainter::Antialiasing);

  QPainterPath letter;
  letter.moveTo(0.5, 12.5);
  letter.lineTo(5.5, 0.5);
  letter.lineTo(9.5, 0.5);
  letter.lineTo(14.5, 12.5);
  letter.lineTo(11.0, 12.5);
  letter.lineTo(10.0, 9.5);
  letter.lineTo(5.0, 9.5);
  letter.lineTo(4.0, 12.5);
  letter.closeSubpath();
  letter.moveTo(5.8, 6.8);
  letter.lineTo(7.5, 2.6);
  letter.lineTo(9.2, 6.8);
  letter.closeSubpath();
  painter.setPen(QPen(QColor(0x1d, 0x4f, 0x91), 1.0));
  painter.setBrush(QColor(0xd6, 0xe4, 0xf5));
  painter.drawPath(letter);

  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0xe0, 0x6c, 0x00));
  for (const QPointF node : {QPointF(0.5, 12.5), QPointF(7.5, 0.5), QPointF(14.5, 12.5)})
    painter.drawRect(QRectF(node - QPointF(1.5, 1.5), QSizeF(3.0, 3.0)));
  return marker;
}

void DrawText(QPainter& painter, const QFont& font, const QColor& colour, const QRect& rect, int x,
              const QString& text) {
  painter.setFont(font);
  painter.setPen(colour);
  const QRect box(x, rect.top(), std::max(0, rect.right() + 1 - x), rect.height());
  painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

}  // namespace

std::vector<TextFace> ListTextFaces() {
  std::vector<TextFace> list;
  for (const TextFamily& family : ListTextFamilies())
    list.push_back(
        {QString::fromStdString(family.name), family.outline ? kOutlineFace : kBitmapFace});
  std::sort(list.begin(), list.end(), ListsBefore);
  return list;
}

FontPreviewDelegate::FontPreviewDelegate(CFontPreviewCombo& combo)
    : QStyledItemDelegate(&combo), combo_(combo) {}

QSize FontPreviewDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
  return {combo_.ItemContentWidth(index.row()), combo_.ItemHeight(index.row())};
}

void FontPreviewDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  CFontPreviewCombo::ItemState state;
  state.selected = option.state.testFlag(QStyle::State_Selected);
  state.focused = option.state.testFlag(QStyle::State_HasFocus);
  combo_.DrawItem(*painter, option.rect, index.row(), state);
}

CFontPreviewCombo::CFontPreviewCombo(QWidget* parent)
    : QComboBox(parent),
      delegate_(new FontPreviewDelegate(*this)),
      idleMeasuring_(new QTimer(this)) {
  setItemDelegate(delegate_);
  idleMeasuring_->setSingleShot(true);
  connect(idleMeasuring_, &QTimer::timeout, this, &CFontPreviewCombo::MeasureWhileIdle);
}

void CFontPreviewCombo::SetPreviewStyle(FontPreviewStyle style) {
  if (style == style_) return;
  style_ = style;
  if (count() == 0) return;
  const QString selected = SaveFaceName();
  Fill();
  LoadFaceName(selected);
}

void CFontPreviewCombo::Fill() {
  clear();
  previewFonts_.clear();
  for (const TextFace& face : ListTextFaces()) {
    addItem(face.name, face.flags);
    if (style_ != FontPreviewStyle::kName)
      previewFonts_.emplace(face.name, MakeFaceFont(face.name));
  }
  ForgetMeasures();
  setCurrentIndex(count() > 0 ? 0 : -1);
  idleMeasuring_->start(0);
}

QString CFontPreviewCombo::SaveFaceName() const {
  return currentIndex() >= 0 ? itemText(currentIndex()) : QString();
}

void CFontPreviewCombo::LoadFaceName(const QString& name) {
  for (int row = 0; row < count(); ++row) {
    if (itemText(row).startsWith(name, Qt::CaseInsensitive)) {
      setCurrentIndex(row);
      return;
    }
  }
  setCurrentIndex(count() > 0 ? 0 : -1);
}

void CFontPreviewCombo::KeepFaceName(const QString& name) {
  const QStringList faces = [this] {
    QStringList listed;
    for (int row = 0; row < count(); ++row)
      listed << itemText(row);
    return listed;
  }();
  if (name.isEmpty() || std::any_of(faces.begin(), faces.end(), [&name](const QString& face) {
        return face.startsWith(name, Qt::CaseInsensitive);
      })) {
    LoadFaceName(name);
    return;
  }
  const auto place = std::find_if(faces.begin(), faces.end(), [&name](const QString& face) {
    return QString::compare(face, name, Qt::CaseInsensitive) > 0;
  });
  const int row = static_cast<int>(place - faces.begin());
  insertItem(row, name, 0);
  if (style_ != FontPreviewStyle::kName) previewFonts_.emplace(name, MakeFaceFont(name));
  ForgetMeasures();
  setCurrentIndex(row);
}

const QFont* CFontPreviewCombo::PreviewFont(const QString& face) const {
  const auto found = previewFonts_.find(face);
  return found != previewFonts_.end() ? &found->second : nullptr;
}

QFont CFontPreviewCombo::FaceFont(const QString& face) const {
  const QFont* preview = PreviewFont(face);
  return preview ? *preview : MakeFaceFont(face);
}

void CFontPreviewCombo::ForgetMeasures() {
  faceMetrics_.assign(count(), std::nullopt);
  nextIdleRow_ = 0;
  columnsMeasured_ = false;
}

const CFontPreviewCombo::FaceMetrics& CFontPreviewCombo::MetricsOf(int row) const {
  // Entries added from outside Fill are measured all the same.
  if (static_cast<std::size_t>(row) >= faceMetrics_.size()) faceMetrics_.resize(count());
  std::optional<FaceMetrics>& metrics = faceMetrics_[row];
  if (!metrics) {
    const QString name = itemText(row);
    const QFontMetrics face(FaceFont(name));
    metrics = FaceMetrics{face.height(), face.horizontalAdvance(name),
                          face.horizontalAdvance(QString::fromLatin1(kSampleText))};
  }
  return *metrics;
}

void CFontPreviewCombo::MeasureWhileIdle() {
  // A few faces per turn of the event loop, some milliseconds, so input is never kept waiting.
  constexpr int kFacesPerTurn = 8;
  const int end = std::min(count(), nextIdleRow_ + kFacesPerTurn);
  for (; nextIdleRow_ < end; ++nextIdleRow_)
    MetricsOf(nextIdleRow_);
  if (nextIdleRow_ < count()) idleMeasuring_->start(0);
}

int CFontPreviewCombo::ItemHeight(int row) const {
  return MetricsOf(row).height + kItemPadding;
}

int CFontPreviewCombo::NameWidth(int row) const {
  if (style_ == FontPreviewStyle::kNameInFace) return MetricsOf(row).nameWidth;
  return QFontMetrics(font()).horizontalAdvance(itemText(row));
}

int CFontPreviewCombo::SampleWidth(int row) const {
  return MetricsOf(row).sampleWidth;
}

void CFontPreviewCombo::MeasureColumns() const {
  if (columnsMeasured_) return;
  widestName_ = 0;
  widestSample_ = 0;
  if (style_ == FontPreviewStyle::kNameThenSample || style_ == FontPreviewStyle::kSampleThenName) {
    for (int row = 0; row < count(); ++row) {
      widestName_ = std::max(widestName_, NameWidth(row));
      widestSample_ = std::max(widestSample_, SampleWidth(row));
    }
  }
  columnsMeasured_ = true;
}

int CFontPreviewCombo::WidestName() const {
  MeasureColumns();
  return widestName_;
}

int CFontPreviewCombo::WidestSample() const {
  MeasureColumns();
  return widestSample_;
}

int CFontPreviewCombo::ItemContentWidth(int row) const {
  switch (style_) {
    case FontPreviewStyle::kNameInFace:
    case FontPreviewStyle::kName:
      return kMarkerColumn + kTextGap + NameWidth(row);
    case FontPreviewStyle::kSample:
      return kMarkerColumn + kTextGap + SampleWidth(row);
    case FontPreviewStyle::kNameThenSample:
    case FontPreviewStyle::kSampleThenName:
      break;
  }
  return kMarkerColumn + 2 * kTextGap + WidestName() + WidestSample();
}

int CFontPreviewCombo::DropDownWidth() const {
  const int scrollBar = view()->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view());
  int widest = 0;
  switch (style_) {
    case FontPreviewStyle::kNameInFace:
    case FontPreviewStyle::kName:
      for (int row = 0; row < count(); ++row)
        widest = std::max(widest, NameWidth(row));
      return scrollBar + kMarkerColumn + widest;
    case FontPreviewStyle::kSample:
      for (int row = 0; row < count(); ++row)
        widest = std::max(widest, SampleWidth(row));
      return scrollBar + kMarkerColumn + widest;
    case FontPreviewStyle::kNameThenSample:
    case FontPreviewStyle::kSampleThenName:
      break;
  }
  return scrollBar + WidestSample() + WidestName() + kMarkerColumn + 2 * kTextGap;
}

const QPixmap& CFontPreviewCombo::OutlineMarker(qreal devicePixelRatio) const {
  if (outlineMarker_.isNull() || outlineMarker_.devicePixelRatio() != devicePixelRatio)
    outlineMarker_ = MakeOutlineMarker(devicePixelRatio);
  return outlineMarker_;
}

void CFontPreviewCombo::DrawItem(QPainter& painter, const QRect& rect, int row,
                                 ItemState state) const {
  const QPalette& colours = palette();
  const bool inList = state.place == Place::kList;
  painter.save();
  // In the box itself the button face is the background of an entry that is not selected.
  if (state.selected)
    painter.fillRect(rect, colours.color(QPalette::Highlight));
  else if (inList)
    painter.fillRect(rect, colours.color(QPalette::Base));
  const QColor nameColour = state.selected ? colours.color(QPalette::HighlightedText)
                            : inList       ? colours.color(QPalette::Text)
                                           : colours.color(QPalette::ButtonText);
  // A selected entry is drawn in the highlighted text colour throughout; otherwise the sample
  // takes the window's text colour.
  const QColor sampleColour = state.selected ? colours.color(QPalette::HighlightedText)
                                             : colours.color(QPalette::WindowText);

  if (itemData(row).toInt() & kOutlineFace)
    painter.drawPixmap(rect.topLeft() + kMarkerOffset,
                       OutlineMarker(painter.device()->devicePixelRatioF()));

  const int x = rect.left() + kMarkerColumn + kTextGap;
  const QString name = itemText(row);
  const QString sample = QString::fromLatin1(kSampleText);
  switch (style_) {
    case FontPreviewStyle::kNameInFace:
      DrawText(painter, FaceFont(name), nameColour, rect, x, name);
      break;
    case FontPreviewStyle::kName:
      DrawText(painter, font(), nameColour, rect, x, name);
      break;
    case FontPreviewStyle::kNameThenSample: {
      // The list lines the samples up in a column; the box has only one entry to show.
      const int nameWidth = inList ? WidestName() : NameWidth(row);
      DrawText(painter, font(), nameColour, rect, x, name);
      DrawText(painter, FaceFont(name), sampleColour, rect, x + kTextGap + nameWidth, sample);
      break;
    }
    case FontPreviewStyle::kSampleThenName: {
      const int sampleWidth = inList ? WidestSample() : SampleWidth(row);
      DrawText(painter, FaceFont(name), sampleColour, rect, x, sample);
      DrawText(painter, font(), nameColour, rect, x + kTextGap + sampleWidth, name);
      break;
    }
    case FontPreviewStyle::kSample:
      DrawText(painter, FaceFont(name), sampleColour, rect, x, sample);
      break;
  }

  if (state.focused) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = rect;
    focus.state |= QStyle::State_KeyboardFocusChange;
    focus.backgroundColor = colours.color(state.selected ? QPalette::Highlight : QPalette::Base);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
  painter.restore();
}

int CFontPreviewCombo::EditPartHeight() const {
  return std::max(kFontHeight, QFontMetrics(font()).height()) + kItemPadding;
}

QSize CFontPreviewCombo::sizeHint() const {
  QSize size = QComboBox::sizeHint();
  QStyleOptionComboBox option;
  initStyleOption(&option);
  const QSize needed =
      style()->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(0, EditPartHeight()), this);
  size.setHeight(std::max(size.height(), needed.height()));
  return size;
}

QSize CFontPreviewCombo::minimumSizeHint() const {
  QSize size = QComboBox::minimumSizeHint();
  size.setHeight(std::max(size.height(), sizeHint().height()));
  return size;
}

void CFontPreviewCombo::showPopup() {
  // The list's width is that of its inside, frame not included.
  view()->setMinimumWidth(DropDownWidth() + 2 * view()->frameWidth());
  QComboBox::showPopup();
}

void CFontPreviewCombo::changeEvent(QEvent* event) {
  // The names are measured in the control's font.
  if (event->type() == QEvent::FontChange) columnsMeasured_ = false;
  QComboBox::changeEvent(event);
}

void CFontPreviewCombo::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  // The style draws the frame and the arrow; the entry is drawn as the list draws it.
  option.currentText.clear();
  option.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  if (currentIndex() < 0) return;
  const QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  ItemState state;
  state.place = Place::kEditPart;
  state.selected = hasFocus() && !view()->isVisible();
  painter.setClipRect(field);
  DrawItem(painter, field, currentIndex(), state);
}

}  // namespace kv
