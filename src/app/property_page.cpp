#include "app/property_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/color_button.h"
#include "app/equation_bar.h"
#include "app/font_combo.h"
#include "app/option_fields.h"
#include "app/user_dialogs.h"
#include "base/windows1252.h"

namespace kv {
namespace {

using S = EquationSettings;

class CheckBinding final : public PageBinding {
 public:
  CheckBinding(QCheckBox* box, BoolOption S::*setting) : box_(box), setting_(setting) {}
  void Open(EquationSettings& target) override { field_ = (target.*setting_).Current(); }
  void Show() override { box_->setChecked(field_); }
  bool Take(QString&) override {
    field_ = box_->isChecked();
    return true;
  }
  void Apply(EquationSettings& settings) const override { (settings.*setting_).Set(field_); }
  QWidget* Control() const override { return box_; }

 private:
  QCheckBox* box_;
  BoolOption S::*setting_;
  bool field_ = false;
};

// A group of radio buttons whose ids are the setting's values. When no button is checked (the
// setting holds a value no button stands for) the field keeps its value: nothing chosen,
// nothing changed.
class RadioBinding final : public PageBinding {
 public:
  RadioBinding(QButtonGroup* group, IntOption S::*setting) : group_(group), setting_(setting) {}
  void Open(EquationSettings& target) override {
    (target.*setting_).Repair();
    field_ = (target.*setting_).Current();
  }
  void Show() override {
    if (QAbstractButton* button = group_->button(field_)) {
      button->setChecked(true);
      return;
    }
    group_->setExclusive(false);
    for (QAbstractButton* button : group_->buttons())
      button->setChecked(false);
    group_->setExclusive(true);
  }
  bool Take(QString&) override {
    if (group_->checkedId() >= 0) field_ = group_->checkedId();
    return true;
  }
  void Apply(EquationSettings& settings) const override {
    (settings.*setting_).Set(field_);
    (settings.*setting_).Repair();
  }
  QWidget* Control() const override { return group_->buttons().value(0); }

 private:
  QButtonGroup* group_;
  IntOption S::*setting_;
  std::int32_t field_ = 0;
};

class MillimetreBinding final : public PageBinding {
 public:
  MillimetreBinding(QLineEdit* edit, IntOption S::*setting, std::string_view decimalSeparator)
      : edit_(edit), setting_(setting), decimalSeparator_(decimalSeparator) {}
  void Open(EquationSettings& target) override {
    (target.*setting_).Repair();
    field_ = MillimetresOfLength((target.*setting_).Current());
  }
  void Show() override {
    edit_->setText(QString::fromStdString(FormatPageNumber(field_, decimalSeparator_)));
  }
  bool Take(QString& problem) override {
    const std::optional<double> millimetres =
        ReadPageNumber(edit_->text().toStdString(), decimalSeparator_);
    if (!millimetres || *millimetres < 0.0 || *millimetres > kLargestMillimetres) {
      problem = QWidget::tr("Enter a number between 0 and %1.").arg(kLargestMillimetres);
      return false;
    }
    field_ = *millimetres;
    return true;
  }
  void Apply(EquationSettings& settings) const override {
    (settings.*setting_).Set(LengthOfMillimetres(field_));
    (settings.*setting_).Repair();
  }
  QWidget* Control() const override { return edit_; }

 private:
  QLineEdit* edit_;
  IntOption S::*setting_;
  std::string decimalSeparator_;
  double field_ = 0.0;
};

// A colour button. Its automatic colour is the setting's default, which is what choosing
// "Automatic" stores.
class ColourBinding final : public PageBinding {
 public:
  ColourBinding(CColorButton* button, ColorOption S::*setting)
      : button_(button), setting_(setting) {}
  void Open(EquationSettings& target) override {
    field_ = (target.*setting_).Current();
    button_->SetDefaultColour((target.*setting_).Default());
  }
  void Show() override { ExchangeColour(false, *button_, field_); }
  bool Take(QString&) override {
    ExchangeColour(true, *button_, field_);
    if (field_ == kAutomaticColour) field_ = button_->DefaultColour();
    return true;
  }
  void Apply(EquationSettings& settings) const override { (settings.*setting_).Set(field_); }
  QWidget* Control() const override { return button_; }

 private:
  CColorButton* button_;
  ColorOption S::*setting_;
  ColorRef field_ = 0;
};

// A face list. A stored face this system does not have stays the setting's face: it joins the
// list rather than giving way to the first face listed.
class FaceBinding final : public PageBinding {
 public:
  FaceBinding(CFontPreviewCombo* list, StringOption S::*setting) : list_(list), setting_(setting) {}
  void Open(EquationSettings& target) override { field_ = (target.*setting_).Current(); }
  void Show() override {
    if (list_->count() == 0) list_->Fill();
    list_->KeepFaceName(ShownText(field_));
  }
  bool Take(QString& problem) override {
    return SettingText(list_->SaveFaceName(), field_, problem);
  }
  void Apply(EquationSettings& settings) const override { (settings.*setting_).Set(field_); }
  QWidget* Control() const override { return list_; }

 private:
  CFontPreviewCombo* list_;
  StringOption S::*setting_;
  std::string field_;
};

}  // namespace

QString ControlName(int id) {
  return QString("control%1").arg(id);
}

QString ShownText(std::string_view text) {
  return QString::fromStdString(Windows1252ToUtf8(text));
}

bool SettingText(const QString& text, std::string& settingText, QString& problem) {
  const QString refused = FirstCharacterWithoutWindows1252(text);
  if (!refused.isEmpty()) {
    problem = QWidget::tr("\"%1\" cannot be kept in the settings: it has no Windows-1252 form.")
                  .arg(refused);
    return false;
  }
  settingText = Utf8ToWindows1252(text.toStdString());
  return true;
}

QGroupBox* RadioGroupBox(const QString& title, const std::vector<QAbstractButton*>& buttons,
                         QWidget* parent) {
  auto* group = new QGroupBox(title, parent);
  auto* layout = new QVBoxLayout(group);
  for (QAbstractButton* button : buttons)
    layout->addWidget(button);
  layout->addStretch();
  return group;
}

KLVPropertyPage::KLVPropertyPage(int index, QString tabLabel, SheetContext& context,
                                 QWidget* parent)
    : QWidget(parent), index_(index), tabLabel_(std::move(tabLabel)), context_(context) {}

KLVPropertyPage::~KLVPropertyPage() = default;

void KLVPropertyPage::Open() {
  if (initialised_) return;
  initialised_ = true;
  for (const auto& binding : bindings_)
    binding->Open(context_.target);
  Exchange(false);
  Opened();
}

bool KLVPropertyPage::Exchange(bool saving) {
  for (const auto& binding : bindings_) {
    if (!saving) {
      binding->Show();
      continue;
    }
    QString problem;
    if (!binding->Take(problem)) {
      context_.dialogs.ShowError(this, problem);
      binding->Control()->setFocus();
      if (auto* edit = qobject_cast<QLineEdit*>(binding->Control())) edit->selectAll();
      return false;
    }
  }
  return true;
}

void KLVPropertyPage::Apply(EquationSettings& settings) const {
  for (const auto& binding : bindings_)
    binding->Apply(settings);
}

void KLVPropertyPage::SetAsDefault() {
  // Values that fail their check are not half taken into the defaults: the page stays as it is.
  if (!Exchange(true)) return;
  Apply(context_.defaultTarget);
  defaultsChanged_ = true;
  context_.dialogs.Beep();
}

void KLVPropertyPage::paintEvent(QPaintEvent* event) {
  context_.recordShownPage(index_);
  QWidget::paintEvent(event);
}

void KLVPropertyPage::AddBinding(std::unique_ptr<PageBinding> binding) {
  bindings_.push_back(std::move(binding));
}

QCheckBox* KLVPropertyPage::AddCheck(int id, const QString& text, BoolOption S::*setting) {
  auto* box = new QCheckBox(text, this);
  box->setObjectName(ControlName(id));
  AddBinding(std::make_unique<CheckBinding>(box, setting));
  return box;
}

std::vector<QAbstractButton*> KLVPropertyPage::AddRadios(const std::vector<RadioChoice>& choices,
                                                         IntOption S::*setting) {
  std::vector<QAbstractButton*> buttons;
  for (const RadioChoice& choice : choices) {
    auto* button = new QRadioButton(choice.text, this);
    button->setObjectName(ControlName(choice.id));
    buttons.push_back(button);
  }
  BindRadios(buttons, setting);
  return buttons;
}

void KLVPropertyPage::BindRadios(const std::vector<QAbstractButton*>& buttons,
                                 IntOption S::*setting) {
  auto* group = new QButtonGroup(this);
  for (std::size_t value = 0; value < buttons.size(); ++value)
    group->addButton(buttons[value], static_cast<int>(value));
  AddBinding(std::make_unique<RadioBinding>(group, setting));
}

QLineEdit* KLVPropertyPage::AddMillimetres(int id, IntOption S::*setting) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(ControlName(id));
  // Wide enough for lengths such as 12.375 without scrolling.
  edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance("0000.0000") +
                        edit->fontMetrics().height());
  AddBinding(std::make_unique<MillimetreBinding>(edit, setting, context_.decimalSeparator));
  return edit;
}

CColorButton* KLVPropertyPage::AddColour(int id, ColorOption S::*setting) {
  auto* button = new CColorButton(id, this);
  button->setObjectName(ControlName(id));
  AddBinding(std::make_unique<ColourBinding>(button, setting));
  return button;
}

CFontPreviewCombo* KLVPropertyPage::AddFace(int id, StringOption S::*setting) {
  auto* list = new CFontPreviewCombo(this);
  list->setObjectName(ControlName(id));
  AddBinding(std::make_unique<FaceBinding>(list, setting));
  return list;
}

QHBoxLayout* KLVPropertyPage::AddSetAsDefault(int id) {
  auto* button = new QPushButton(tr("Set As Default"), this);
  button->setObjectName(ControlName(id));
  button->setAutoDefault(false);
  connect(button, &QPushButton::clicked, this, [this] { SetAsDefault(); });
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(button);
  return row;
}

}  // namespace kv
