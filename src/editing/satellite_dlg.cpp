#include "editing/satellite_dlg.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>

#include "editing/line_edits.h"
#include "editing/form_refusal.h"
#include "gui_common/dialog_units.h"

namespace kavor {

namespace {

// Accepts a text only when it is Latin-1 throughout and the core's rule for
// the box takes its bytes; typing and pasting are judged alike.
class FitsValidator : public QValidator {
 public:
  FitsValidator(bool (*fits)(const std::string&), QObject* parent) : QValidator(parent), fits_(fits) {}
  State validate(QString& input, int& /*pos*/) const override {
    for (const QChar c : input)
      if (c.unicode() > 0xFF) return Invalid;
    return fits_(ToLatin1(input)) ? Acceptable : Invalid;
  }

 private:
  bool (*fits_)(const std::string&);
};

}  // namespace

CSatelliteDlg::CSatelliteDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(Du(0, 0, 108, 225).size());
  setWindowTitle("Edit Satellite");
  BuildControls();
}

void CSatelliteDlg::BuildControls() {
  auto group = [this](const char* title, const QRect& r) {
    auto* g = new QGroupBox(title, this);
    g->setGeometry(r);
    g->lower();  // the controls drawn over it stay clickable
    return g;
  };
  auto combo = [this](const char* name, const QRect& r, const auto& entries) {
    auto* c = new QComboBox(this);
    c->setObjectName(name);
    c->setGeometry(r);
    for (const char* entry : entries) c->addItem(entry);
    // The open list shows whole entries even where the box is narrower.
    c->view()->setMinimumWidth(c->view()->sizeHintForColumn(0) + 8);
    return c;
  };

  group("Name", Du(7, 4, 94, 30));
  name_ = new QLineEdit(this);
  name_->setObjectName("name");
  name_->setValidator(new FitsValidator(&SatelliteNameFits, name_));
  name_->setMaxLength(int(kSatelliteNameLimit));
  name_->setGeometry(Du(13, 16, 82, 12));

  group("Longitude", Du(7, 36, 94, 44));
  east_ = new QRadioButton("East", this);
  east_->setObjectName("east");
  east_->setGeometry(Du(13, 47, 36, 10));
  west_ = new QRadioButton("West", this);
  west_->setObjectName("west");
  west_->setGeometry(Du(55, 47, 36, 10));
  auto* degree_label = new QLabel("Degree", this);
  degree_label->setGeometry(Du(13, 63, 30, 8));
  degree_ = MakeLatin1Edit(this);
  degree_->setObjectName("degree");
  degree_->setGeometry(Du(45, 61, 50, 12));
  connect(east_, &QRadioButton::toggled, this, &CSatelliteDlg::SideChanged);

  group("LNB Frequency", Du(7, 82, 94, 46));
  lnb_ = combo("lnb", Du(10, 94, 88, 12), kLnbEntries);
  input_label_ = new QLabel("Input", this);
  input_label_->setGeometry(Du(13, 112, 30, 8));
  input_ = new DigitsOnlyEdit(this);
  input_->setObjectName("input");
  input_->setValidator(new FitsValidator(&LnbInputFits, input_));
  input_->setGeometry(Du(45, 110, 50, 12));
  connect(lnb_, &QComboBox::currentIndexChanged, this,
          [this](int index) { ShowUserLnbInput(ShowsUserLnbInput(index)); });

  group("Switch", Du(7, 130, 45, 30));
  switch_ = combo("switch", Du(12, 142, 35, 12), kSwitchEntries);
  group("Tone Burst", Du(56, 130, 45, 30));
  tone_burst_ = combo("toneBurst", Du(61, 142, 35, 12), kToneBurstEntries);

  group("", Du(7, 162, 94, 36));
  auto check = [this](const char* text, const char* name, const QRect& r) {
    auto* c = new QCheckBox(text, this);
    c->setObjectName(name);
    c->setGeometry(r);
    return c;
  };
  lnb_power_ = check("LNB Power", "lnbPower", Du(11, 170, 50, 10));
  khz22_ = check("22kHz", "khz22", Du(63, 170, 36, 10));
  scramble_ = check("Scramble", "scramble", Du(11, 184, 50, 10));
  v12_ = check("12V", "v12", Du(63, 184, 36, 10));

  ok_ = new QPushButton("OK", this);
  ok_->setGeometry(Du(7, 204, 45, 14));
  ok_->setDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setGeometry(Du(56, 204, 45, 14));
  connect(ok_, &QPushButton::clicked, this, &CSatelliteDlg::accept);
  connect(cancel_, &QPushButton::clicked, this, &CSatelliteDlg::reject);

  // The order of the controls from top to bottom; the check boxes as the
  // record lists them ("LNB Power", "22kHz", "12V", "Scramble").
  QWidget* order[] = {name_,    east_,      west_,      degree_, lnb_, input_,   switch_,
                      tone_burst_, lnb_power_, khz22_, v12_,    scramble_, ok_, cancel_};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void CSatelliteDlg::SideChanged() {
  // The East/West pair is one tab stop: only the checked button takes the
  // focus from Tab; the arrow keys move between the two.
  east_->setFocusPolicy(east_->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
  west_->setFocusPolicy(west_->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

void CSatelliteDlg::ShowUserLnbInput(bool shown) {
  input_label_->setVisible(shown);
  input_->setVisible(shown);
}

void CSatelliteDlg::Open(SatelliteRecord record) {
  record_ = record;
  opened_ = LoadSatelliteForm(record);
  // A stored 16-byte name without a terminator shows cut to the box; OK
  // keeps the stored bytes while the user leaves the box alone.
  name_->setText(FromLatin1(opened_.name));
  (opened_.west ? west_ : east_)->setChecked(true);
  SideChanged();
  degree_->setText(FromLatin1(opened_.degree));
  // An index past the entries selects nothing (-1).
  lnb_->setCurrentIndex(opened_.lnb);
  input_->setText(FromLatin1(opened_.input));
  ShowUserLnbInput(ShowsUserLnbInput(opened_.lnb));
  switch_->setCurrentIndex(opened_.switch_input);
  tone_burst_->setCurrentIndex(opened_.tone_burst);
  lnb_power_->setChecked(opened_.lnb_power);
  khz22_->setChecked(opened_.khz22);
  v12_->setChecked(opened_.v12);
  scramble_->setChecked(opened_.scramble);
}

int CSatelliteDlg::exec() {
  if (!record_) return Rejected;
  return QDialog::exec();
}

void CSatelliteDlg::showEvent(QShowEvent* event) {
  // Every showing starts on the name with OK the default, whichever button
  // had the focus when the dialog last closed.
  ok_->setDefault(true);
  name_->setFocus(Qt::OtherFocusReason);
  QDialog::showEvent(event);
}

SatelliteForm CSatelliteDlg::Collect() const {
  SatelliteForm form = opened_;
  // An untouched box keeps the name as opened, bytes and all.
  if (name_->isModified()) form.name = ToLatin1(name_->text());
  form.west = west_->isChecked();
  form.degree = ToLatin1(degree_->text());
  form.lnb = lnb_->currentIndex();
  form.input = ToLatin1(input_->text());
  form.switch_input = switch_->currentIndex();
  form.tone_burst = tone_burst_->currentIndex();
  form.lnb_power = lnb_power_->isChecked();
  form.khz22 = khz22_->isChecked();
  form.v12 = v12_->isChecked();
  form.scramble = scramble_->isChecked();
  return form;
}

QWidget* CSatelliteDlg::Control(SatelliteControl control) const {
  switch (control) {
    case SatelliteControl::Name: return name_;
    case SatelliteControl::Side: return west_->isChecked() ? west_ : east_;
    case SatelliteControl::Degree: return degree_;
    case SatelliteControl::Lnb: return lnb_;
    case SatelliteControl::Input: return input_;
    case SatelliteControl::Switch: return switch_;
    case SatelliteControl::ToneBurst: return tone_burst_;
    case SatelliteControl::LnbPower: return lnb_power_;
    case SatelliteControl::K22: return khz22_;
    case SatelliteControl::V12: return v12_;
    case SatelliteControl::Scramble: return scramble_;
  }
  return name_;
}

void CSatelliteDlg::accept() {
  if (!record_) return;
  const SatelliteForm form = Collect();
  if (const auto error = ValidateSatelliteForm(form)) {
    RefuseFormInput(this, message_, error->message, error->icon, Control(error->control));
    return;
  }
  ApplySatelliteForm(form, *record_);
  QDialog::accept();
}

}  // namespace kavor
