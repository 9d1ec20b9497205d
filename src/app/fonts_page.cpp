#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/color_button.h"
#include "app/font_combo.h"
#include "app/option_fields.h"
#include "app/options_pages.h"

namespace kv {
namespace {

using S = EquationSettings;

// Font sizes the size box takes, in points.
constexpr double kSmallestPoints = 1.0;
constexpr double kLargestPoints = 1638.0;

// The main font: face, size and colour. Applying it makes a new font of the default kind with
// these three, so whatever else the previous font held goes back to its default.
class MainFontBinding final : public PageBinding {
 public:
  MainFontBinding(CFontPreviewCombo* face, QComboBox* size, CColorButton* colour,
                  std::string_view decimalSeparator)
      : face_(face), size_(size), colour_(colour), decimalSeparator_(decimalSeparator) {}

  void Open(EquationSettings& target) override {
    const KVLogFont& font = target.Font.Current();
    faceName_ = font.FaceName();
    points_ = PointsOfCharacterSize(font.size);
    colourValue_ = font.colour;
    colour_->SetDefaultColour(target.Font.Default().colour);
  }
  void Show() override {
    if (face_->count() == 0) face_->Fill();
    face_->KeepFaceName(ShownText(faceName_));
    size_->setEditText(QString::fromStdString(FormatPageNumber(points_, decimalSeparator_)));
    ExchangeColour(false, *colour_, colourValue_);
  }
  bool Take(QString& problem) override {
    failed_ = face_;
    if (!SettingText(face_->SaveFaceName(), faceName_, problem)) return false;
    failed_ = size_;
    const auto points = ReadPageNumber(size_->currentText().toStdString(), decimalSeparator_);
    if (!points || *points < kSmallestPoints || *points > kLargestPoints) {
      problem = QWidget::tr("Enter a font size between %1 and %2 points.")
                    .arg(kSmallestPoints)
                    .arg(kLargestPoints);
      return false;
    }
    points_ = *points;
    ExchangeColour(true, *colour_, colourValue_);
    if (colourValue_ == kAutomaticColour) colourValue_ = colour_->DefaultColour();
    return true;
  }
  void Apply(EquationSettings& settings) const override {
    KVLogFont font;
    font.SetFaceName(faceName_);
    font.size = CharacterSizeOfPoints(points_);
    font.colour = colourValue_;
    settings.Font.Set(font);
  }
  QWidget* Control() const override { return failed_; }

 private:
  CFontPreviewCombo* face_;
  QComboBox* size_;
  CColorButton* colour_;
  std::string decimalSeparator_;
  QWidget* failed_ = nullptr;
  std::string faceName_;
  double points_ = 0.0;
  ColorRef colourValue_ = 0;
};

// A kind of text and what it may have of its own: bold and italic boxes, a colour, a face.
struct TextKind {
  const char* name;
  int boldId, italicId;  // 0: no boxes
  BoolOption S::*bold;
  BoolOption S::*italic;
  int colourId;
  ColorOption S::*colour;
  int faceId;  // 0: no face list
  StringOption S::*face;
};

const TextKind kTextKinds[] = {
    {"Greek Letters", 1001, 1002, &S::GreekBold, &S::GreekItalic, 1061, &S::GreekColor, 0, nullptr},
    {"Variables", 1009, 1010, &S::VariablesBold, &S::VariablesItalic, 1069, &S::VariableColor, 0,
     nullptr},
    {"Functions", 1003, 1004, &S::FunctionsBold, &S::FunctionsItalic, 1062, &S::FunctionColor, 1060,
     &S::FunctionFont},
    {"Quoted Text", 1005, 1006, &S::QuoteBold, &S::QuoteItalic, 1064, &S::QuoteColor, 1063,
     &S::QuoteFont},
    {"Units", 1007, 1008, &S::UnitsBold, &S::UnitsItalic, 1066, &S::UnitColor, 1065, &S::UnitsFont},
    {"LC Vectors", 0, 0, nullptr, nullptr, 1068, &S::VectorColor, 1067, &S::VectorFont},
};

enum Column { kNameColumn, kBoldColumn, kItalicColumn, kColourColumn, kFaceColumn };

}  // namespace

KLVFontsPropPage::KLVFontsPropPage(SheetContext& context, QWidget* parent)
    : KLVPropertyPage(kIndex, tr("Fonts"), context, parent) {
  setObjectName("fontsPage");
  auto* layout = new QVBoxLayout(this);

  auto* switches = new QHBoxLayout;
  useOneFont_ = AddCheck(1000, tr("Use One Font"), &S::UseOneFont);
  switches->addWidget(useOneFont_);
  switches->addWidget(AddCheck(1011, tr("Get Font From Word"), &S::UseWordFont));
  switches->addStretch();
  layout->addLayout(switches);
  connect(useOneFont_, &QCheckBox::clicked, this, [this] { UpdateEnabling(); });

  auto* mainGroup = new QGroupBox(tr("Main Font"), this);
  auto* mainRow = new QHBoxLayout(mainGroup);
  auto* face = new CFontPreviewCombo(mainGroup);
  face->setObjectName(ControlName(1056));
  auto* size = new QComboBox(mainGroup);
  size->setObjectName(ControlName(1057));
  size->setEditable(true);
  for (const int points : kSizes)
    size->addItem(QString::number(points));
  auto* colour = new CColorButton(1058, mainGroup);
  colour->setObjectName(ControlName(1058));
  AddBinding(std::make_unique<MainFontBinding>(face, size, colour, context.decimalSeparator));
  mainRow->addWidget(face, 1);
  mainRow->addWidget(new QLabel(tr("Size"), mainGroup));
  mainRow->addWidget(size);
  mainRow->addWidget(colour);
  layout->addWidget(mainGroup);

  auto* kindsGroup = new QGroupBox(tr("Text Styles"), this);
  auto* grid = new QGridLayout(kindsGroup);
  grid->addWidget(new QLabel(tr("Color"), kindsGroup), 0, kColourColumn);
  grid->addWidget(new QLabel(tr("Font"), kindsGroup), 0, kFaceColumn);
  int row = 1;
  for (const TextKind& kind : kTextKinds) {
    grid->addWidget(new QLabel(tr(kind.name), kindsGroup), row, kNameColumn);
    if (kind.boldId != 0) {
      grid->addWidget(AddCheck(kind.boldId, tr("Bold"), kind.bold), row, kBoldColumn);
      grid->addWidget(AddCheck(kind.italicId, tr("Italic"), kind.italic), row, kItalicColumn);
    }
    CColorButton* kindColour = AddColour(kind.colourId, kind.colour);
    grid->addWidget(kindColour, row, kColourColumn);
    ownFontControls_.push_back(kindColour);
    if (kind.faceId != 0) {
      CFontPreviewCombo* kindFace = AddFace(kind.faceId, kind.face);
      grid->addWidget(kindFace, row, kFaceColumn);
      ownFontControls_.push_back(kindFace);
    }
    ++row;
  }
  grid->setColumnStretch(kFaceColumn, 1);
  layout->addWidget(kindsGroup);

  layout->addLayout(AddSetAsDefault(1019));
  layout->addStretch();
}

void KLVFontsPropPage::UpdateEnabling() {
  const bool ownFonts = !useOneFont_->isChecked();
  for (QWidget* control : ownFontControls_)
    control->setEnabled(ownFonts);
}

}  // namespace kv
