#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/options_pages.h"

namespace kv {
namespace {

using S = EquationSettings;

constexpr int kLetterCount = 26;
constexpr int kLettersPerRow = 13;
constexpr int kSelectLetters = 2;  // the LowerCase value that takes the chosen letters as vectors

// The control numbers of the letter boxes: a to t, then u to z.
int LetterId(int letter) {
  constexpr int kFirstAToT = 1007;
  constexpr int kFirstUToZ = 1030;
  constexpr int kLetterU = 20;
  return letter < kLetterU ? kFirstAToT + letter : kFirstUToZ + letter - kLetterU;
}

BoolOption S::*LetterSetting(int letter) {
  static constexpr BoolOption S::*kLetters[kLetterCount] = {
      &S::LettersA, &S::LettersB, &S::LettersC, &S::LettersD, &S::LettersE, &S::LettersF,
      &S::LettersG, &S::LettersH, &S::LettersI, &S::LettersJ, &S::LettersK, &S::LettersL,
      &S::LettersM, &S::LettersN, &S::LettersO, &S::LettersP, &S::LettersQ, &S::LettersR,
      &S::LettersS, &S::LettersT, &S::LettersU, &S::LettersV, &S::LettersW, &S::LettersX,
      &S::LettersY, &S::LettersZ};
  return kLetters[letter];
}

}  // namespace

KLVVectorsPropPage::KLVVectorsPropPage(SheetContext& context, QWidget* parent)
    : KLVPropertyPage(kIndex, tr("Vectors"), context, parent) {
  setObjectName("vectorsPage");
  auto* layout = new QVBoxLayout(this);
  automatic_ =
      AddCheck(1037, tr("Attempt Automatic Recognition of Vectors"), &S::UseAutomaticVectors);
  layout->addWidget(automatic_);
  connect(automatic_, &QCheckBox::clicked, this, [this] { UpdateEnabling(); });

  auto* groups = new QHBoxLayout;
  const std::vector<QAbstractButton*> doubleCaps = AddRadios(
      {{1000, tr("Ignore")}, {1001, tr("Vectors")}, {1002, tr("Line Segments")}}, &S::DoubleCaps);
  QGroupBox* doubleCapsGroup = RadioGroupBox(tr("Double Capitals"), doubleCaps, this);
  // The sample capitals the choices are about.
  auto* sample = new QLabel("AB", doubleCapsGroup);
  QFont sampleFont = sample->font();
  sampleFont.setPointSizeF(sampleFont.pointSizeF() * 1.5);
  sample->setFont(sampleFont);
  static_cast<QVBoxLayout*>(doubleCapsGroup->layout())
      ->insertWidget(0, sample, 0, Qt::AlignHCenter);
  groups->addWidget(doubleCapsGroup);

  const std::vector<QAbstractButton*> lowerCase =
      AddRadios({{1027, tr("Ignore")}, {1028, tr("Best Guess")}, {1029, tr("Select Letters")}},
                &S::LowerCase);
  groups->addWidget(RadioGroupBox(tr("Lowercase Vectors"), lowerCase, this));
  const std::vector<QAbstractButton*> display = AddRadios({{1004, tr("Bold")},
                                                           {1005, tr("Line Below")},
                                                           {1006, tr("Tilde Below")},
                                                           {1038, tr("Arrow")}},
                                                          &S::DisplayVect);
  groups->addWidget(RadioGroupBox(tr("Displaying Lowercase Vectors"), display, this));
  layout->addLayout(groups);
  for (const auto* buttons : {&doubleCaps, &lowerCase, &display})
    choices_.insert(choices_.end(), buttons->begin(), buttons->end());
  selectLetters_ = lowerCase[kSelectLetters];
  connect(lowerCase[0], &QAbstractButton::clicked, this, [this] { EnableLetters(false); });
  connect(lowerCase[1], &QAbstractButton::clicked, this, [this] { EnableLetters(false); });
  connect(selectLetters_, &QAbstractButton::clicked, this, [this] { EnableLetters(true); });

  auto* lettersGroup = new QGroupBox(tr("Letters Taken as Vectors"), this);
  auto* letterGrid = new QGridLayout(lettersGroup);
  for (int letter = 0; letter < kLetterCount; ++letter) {
    QCheckBox* box =
        AddCheck(LetterId(letter), QString(QChar('a' + letter)), LetterSetting(letter));
    letterGrid->addWidget(box, letter / kLettersPerRow, letter % kLettersPerRow);
    letters_.push_back(box);
  }
  layout->addWidget(lettersGroup);

  QHBoxLayout* bottom = AddSetAsDefault(1039);
  bottom->insertWidget(0, AddCheck(1036, tr("Detect Column Vectors"), &S::DetectColumnVectors));
  layout->addLayout(bottom);
  layout->addStretch();
}

void KLVVectorsPropPage::UpdateEnabling() {
  const bool automatic = automatic_->isChecked();
  for (QAbstractButton* choice : choices_)
    choice->setEnabled(automatic);
  EnableLetters(automatic && selectLetters_->isChecked());
}

void KLVVectorsPropPage::EnableLetters(bool enabled) {
  for (QCheckBox* box : letters_)
    box->setEnabled(enabled);
}

}  // namespace kv
