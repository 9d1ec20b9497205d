#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QVBoxLayout>

#include "app/document_painting.h"
#include "app/option_fields.h"
#include "app/options_pages.h"
#include "document/document.h"
#include "render/font_surface.h"
#include "typeset/surface.h"

namespace kv {
namespace {

using S = EquationSettings;

// The pen widths the General Pen box takes, in points.
constexpr double kLargestPenPoints = 100.0;
// The equation the integral previews show.
constexpr std::string_view kIntegralSample = "int(a,b)";

// The General Pen: its width as quarter points with "pt". Applying it makes a solid geometric
// pen drawn inside the frame, black, of the width typed, whatever the pen was before.
class PenBinding final : public PageBinding {
 public:
  static constexpr std::int32_t kMode = 1;
  static constexpr std::int32_t kType = kPsGeometric + kPsInsideFrame;

  PenBinding(QComboBox* box, std::string_view decimalSeparator)
      : box_(box), decimalSeparator_(decimalSeparator) {}

  void Open(EquationSettings& target) override {
    text_ = PenWidthText(target.GeneralPen.Current().width, decimalSeparator_);
  }
  void Show() override {
    const QString text = ShownText(text_);
    const int entry = box_->findText(text);
    if (entry >= 0) {
      box_->setCurrentIndex(entry);
    } else {
      box_->setEditText(text);
    }
  }
  bool Take(QString& problem) override {
    std::string text;
    if (!SettingText(box_->currentText(), text, problem)) return false;
    const auto points = ReadPageNumber(PenWidthNumber(text), decimalSeparator_);
    if (!points || *points < 0.0 || *points > kLargestPenPoints) {
      problem = QWidget::tr("Enter a pen width between 0 and %1 points, such as 0.75pt.")
                    .arg(kLargestPenPoints);
      return false;
    }
    text_ = text;
    return true;
  }
  void Apply(EquationSettings& settings) const override {
    settings.GeneralPen.Set({kMode, kType, 0, PenWidthOfText(text_)});
  }
  QWidget* Control() const override { return box_; }

 private:
  QComboBox* box_;
  std::string decimalSeparator_;
  std::string text_;
};

// A marker beside an integral choice, showing "int(a,b)" as that style draws it: the default
// settings with the main font at a smaller size, drawn by the typesetter from the marker's
// top-left corner.
class IntegralPreview final : public QWidget {
 public:
  IntegralPreview(int id, std::int32_t integralStyle, FontCatalog& fonts, QWidget* parent)
      : QWidget(parent), fonts_(fonts), host_(PreviewSettings(integralStyle)), document_(host_) {
    setObjectName(ControlName(id));
    document_.OnNewDocument();
    document_.SetEquationText(kIntegralSample);
    FontMetricsSurface measuring(fonts_);
    extent_ = document_.GetDocumentExtent(measuring);
    const double scale = logicalDpiX() / kUnitsPerInch;
    setFixedSize(static_cast<int>(std::ceil(extent_.width * scale)),
                 static_cast<int>(std::ceil(extent_.height * scale)));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    // Drawn without a background of its own, over whatever the page paints there.
    PaintDocument(painter, QPoint(0, 0), fonts_, document_, extent_, logicalDpiX(), std::nullopt);
  }

 private:
  static EquationSettings PreviewSettings(std::int32_t integralStyle) {
    EquationSettings settings;
    KVLogFont font = settings.Font.Current();
    font.size = static_cast<std::int32_t>(font.size * KLVStylesPropPage::kPreviewScale);
    font.lfHeight = static_cast<std::int32_t>(font.lfHeight * KLVStylesPropPage::kPreviewScale);
    settings.Font.Set(font);
    settings.IntegralStyle.Set(integralStyle);
    return settings;
  }

  FontCatalog& fonts_;
  HeadlessHost host_;
  KLV300Doc document_;
  NodeBox extent_;
};

// The third negative-number choice: blanks and a 2, with the raised minus sign drawn before the
// 2, as such numbers are typeset.
class RaisedMinusRadio final : public QRadioButton {
 public:
  RaisedMinusRadio(const QString& text, QWidget* parent) : QRadioButton(text, parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override {
    QRadioButton::paintEvent(event);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect content = style()->subElementRect(QStyle::SE_RadioButtonContents, &option, this);
    const QFontMetrics metrics(font());
    const QString blanks = text().left(text().size() - 1);
    const int twoLeft = content.left() + metrics.horizontalAdvance(blanks);
    const int minusWidth = metrics.horizontalAdvance('-');
    const int baseline =
        content.top() + (content.height() + metrics.ascent() - metrics.descent()) / 2;
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    // The minus stands at the height of the 2's top, just before it.
    painter.drawText(twoLeft - minusWidth, baseline - metrics.ascent() / 2, QString("-"));
  }
};

}  // namespace

KLVStylesPropPage::KLVStylesPropPage(SheetContext& context, QWidget* parent)
    : KLVPropertyPage(kIndex, tr("Styles"), context, parent) {
  setObjectName("stylesPage");
  auto* grid = new QGridLayout(this);

  auto* multiply = new QGroupBox(tr("Multiplication"), this);
  auto* multiplyRow = new QHBoxLayout(multiply);
  for (QAbstractButton* button :
       AddRadios({{1006, "\u00D7"}, {1007, "\u00B7"}, {1008, "*"}}, &S::MultiplyStyle))
    multiplyRow->addWidget(button);
  grid->addWidget(multiply, 0, 0);

  auto* spacing = new QGroupBox(tr("Spacing"), this);
  auto* spacingForm = new QFormLayout(spacing);
  spacingForm->addRow(tr("Tab (mm)"), AddMillimetres(1039, &S::TabWidth));
  spacingForm->addRow(tr("Vertical (mm)"), AddMillimetres(1040, &S::VerticalSpacing));
  grid->addWidget(spacing, 0, 1);

  std::vector<QAbstractButton*> negative;
  for (const auto& [id, text] : {std::pair{1003, "- 2"}, std::pair{1004, "\u2013 2"}}) {
    negative.push_back(new QRadioButton(QString::fromUtf8(text), this));
    negative.back()->setObjectName(ControlName(id));
  }
  negative.push_back(new RaisedMinusRadio("   2", this));
  negative.back()->setObjectName(ControlName(1005));
  BindRadios(negative, &S::NegativeNumberStyle);
  grid->addWidget(RadioGroupBox(tr("Negative Numbers"), negative, this), 1, 0);

  auto* integrals = new QGroupBox(tr("Integrals"), this);
  auto* integralRows = new QGridLayout(integrals);
  const std::vector<QAbstractButton*> integralChoices =
      AddRadios({{1009, ""}, {1010, ""}}, &S::IntegralStyle);
  const int previewIds[] = {1012, 1011};
  // The choices are told apart by their pictures; a screen reader says what these show.
  const char* names[] = {"Limits beside the sign", "Limits above and below the sign"};
  for (int style = 0; style < 2; ++style) {
    integralChoices[style]->setAccessibleName(tr(names[style]));
    integralRows->addWidget(integralChoices[style], 0, 2 * style);
    integralRows->addWidget(new IntegralPreview(previewIds[style], style, context.fonts, integrals),
                            0, 2 * style + 1, Qt::AlignLeft | Qt::AlignTop);
  }
  integralRows->setColumnStretch(3, 1);
  grid->addWidget(integrals, 1, 1);

  auto* others = new QVBoxLayout;
  others->addWidget(
      AddCheck(1024, tr("Shrink Non-Algebraic Fractions"), &S::ShrinkNonAlgebraicFractions));
  others->addWidget(AddCheck(1026, tr("Raise Decimal Point"), &S::RaiseDecimal));
  auto* penRow = new QHBoxLayout;
  auto* pen = new QComboBox(this);
  pen->setObjectName(ControlName(1025));
  pen->setEditable(true);
  for (const char* width : kPenWidths)
    pen->addItem(width);
  AddBinding(std::make_unique<PenBinding>(pen, context.decimalSeparator));
  penRow->addWidget(new QLabel(tr("General Pen"), this));
  penRow->addWidget(pen);
  penRow->addStretch();
  others->addLayout(penRow);
  grid->addLayout(others, 2, 0, 1, 2);

  // The variant forms of sigma and theta are kept and applied, but not offered.
  for (const auto& [id, text, setting] : {std::tuple{1013, "Sigma", &S::UseSigmaVariant},
                                          std::tuple{1014, "Theta", &S::UseThetaVariant}})
    AddCheck(id, tr(text), setting)->hide();

  grid->addLayout(AddSetAsDefault(1041), 3, 0, 1, 2);
  grid->setRowStretch(4, 1);
}

}  // namespace kv
