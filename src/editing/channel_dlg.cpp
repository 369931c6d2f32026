#include "editing/channel_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "gui_common/dialog_units.h"
#include "editing/form_refusal.h"
#include "editing/line_edits.h"

namespace kavor {

CChannelDlg::CChannelDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(Du(0, 0, 210, 191).size());
  BuildControls();
}

void CChannelDlg::BuildControls() {
  auto label = [this](const char* text, const QRect& r) {
    auto* l = new QLabel(text, this);
    l->setGeometry(r);
    return l;
  };
  auto group = [this](const char* title, const QRect& r) {
    auto* g = new QGroupBox(title, this);
    g->setGeometry(r);
    g->lower();  // the controls drawn over it stay clickable
    return g;
  };

  // Left column: name and character table, then the PIDs.
  group("Name", Du(7, 4, 96, 52));
  name_ = MakeLatin1Edit(this);
  name_->setObjectName("name");
  name_->setGeometry(Du(13, 16, 84, 12));
  label("Character Code Table", Du(13, 31, 84, 8));
  char_table_ = new QComboBox(this);
  char_table_->setObjectName("charTable");
  char_table_->setGeometry(Du(13, 40, 84, 12));
  for (const char* entry : kCharTableEntries) char_table_->addItem(entry);

  group("PID", Du(7, 60, 96, 64));
  const char* pid_labels[] = {"Video", "Audio", "PCR"};
  QLineEdit** pid_boxes[] = {&video_, &audio_, &pcr_};
  for (int i = 0; i < 3; ++i) {
    label(pid_labels[i], Du(13, 74 + i * 16, 30, 8));
    auto* box = new DigitsOnlyEdit(this);
    box->setObjectName(QString(pid_labels[i]).toLower());
    box->setGeometry(Du(47, 72 + i * 16, 50, 12));
    *pid_boxes[i] = box;
  }

  // Right column: category, favourites, lock and scramble.
  group("Category", Du(109, 4, 94, 30));
  category_ = new QComboBox(this);
  category_->setObjectName("category");
  category_->setGeometry(Du(115, 16, 82, 12));
  for (const char* entry : kCategoryEntries) category_->addItem(entry);

  group("Favorite", Du(109, 38, 94, 40));
  for (int i = 0; i < 8; ++i) {
    auto* box = new QCheckBox(QString::number(i + 1), this);
    box->setObjectName(QString("favourite%1").arg(i + 1));
    box->setGeometry(Du(115 + (i % 4) * 21, 50 + (i / 4) * 12, 19, 10));
    // "5" to "8" carry flag bits too, so they exist, are loaded and written,
    // but the user never sees them.
    if (i >= 4) box->hide();
    favourite_[std::size_t(i)] = box;
  }

  group("", Du(109, 82, 94, 42));
  lock_ = new QCheckBox("Lock", this);
  lock_->setObjectName("lock");
  lock_->setGeometry(Du(115, 92, 60, 10));
  scramble_ = new QCheckBox("Scramble", this);
  scramble_->setObjectName("scramble");
  scramble_->setGeometry(Du(115, 108, 60, 10));

  // Bottom: the two hexadecimal boxes, then the buttons.
  group("", Du(7, 128, 196, 36));
  label("CA System Id", Du(13, 136, 50, 8));
  label("(HEX)", Du(13, 146, 50, 8));
  ca_ = MakeLatin1Edit(this);
  ca_->setObjectName("caSystemId");
  ca_->setGeometry(Du(63, 139, 36, 12));
  label("ECM PID", Du(109, 136, 40, 8));
  label("(HEX)", Du(109, 146, 40, 8));
  ecm_ = MakeLatin1Edit(this);
  ecm_->setObjectName("ecmPid");
  ecm_->setGeometry(Du(159, 139, 38, 12));

  ok_ = new QPushButton("OK", this);
  ok_->setGeometry(Du(45, 170, 50, 14));
  ok_->setDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setGeometry(Du(115, 170, 50, 14));
  connect(ok_, &QPushButton::clicked, this, &CChannelDlg::accept);
  connect(cancel_, &QPushButton::clicked, this, &CChannelDlg::reject);
}

void CChannelDlg::Open(const std::string& caption, ChannelRecord record) {
  record_ = record;
  opened_ = LoadChannelForm(record);
  setWindowTitle(FromLatin1(caption));
  // A stored 20-byte name without a terminator shows cut to the box; OK
  // keeps the stored bytes while the user leaves the box alone.
  name_->setMaxLength(int(kChannelNameLimit));
  name_->setText(FromLatin1(opened_.name));
  // A stored index past the entries selects nothing (-1).
  char_table_->setCurrentIndex(opened_.char_table);
  video_->setText(FromLatin1(opened_.video));
  audio_->setText(FromLatin1(opened_.audio));
  pcr_->setText(FromLatin1(opened_.pcr));
  category_->setCurrentIndex(opened_.category);
  for (std::size_t i = 0; i < favourite_.size(); ++i) favourite_[i]->setChecked(opened_.favourite[i]);
  lock_->setChecked(opened_.lock);
  scramble_->setChecked(opened_.scramble);
  ca_->setText(FromLatin1(opened_.ca_system_id));
  ecm_->setText(FromLatin1(opened_.ecm_pid));
}

int CChannelDlg::exec() {
  if (!record_) return Rejected;
  return QDialog::exec();
}

void CChannelDlg::showEvent(QShowEvent* event) {
  // Every showing starts on the name box with OK the default, whichever
  // button had the focus when the dialog last closed.
  ok_->setDefault(true);
  name_->setFocus(Qt::OtherFocusReason);
  QDialog::showEvent(event);
}

ChannelForm CChannelDlg::Collect() const {
  ChannelForm form = opened_;
  // An untouched box keeps the name as opened, bytes and all, even where
  // the box could not show it.
  if (name_->isModified()) form.name = ToLatin1(name_->text());
  form.char_table = char_table_->currentIndex();
  form.video = ToLatin1(video_->text());
  form.audio = ToLatin1(audio_->text());
  form.pcr = ToLatin1(pcr_->text());
  form.category = category_->currentIndex();
  for (std::size_t i = 0; i < favourite_.size(); ++i) form.favourite[i] = favourite_[i]->isChecked();
  form.lock = lock_->isChecked();
  form.scramble = scramble_->isChecked();
  form.ca_system_id = ToLatin1(ca_->text());
  form.ecm_pid = ToLatin1(ecm_->text());
  return form;
}

QWidget* CChannelDlg::Control(ChannelControl control) const {
  switch (control) {
    case ChannelControl::Name: return name_;
    case ChannelControl::CharTable: return char_table_;
    case ChannelControl::Video: return video_;
    case ChannelControl::Audio: return audio_;
    case ChannelControl::Pcr: return pcr_;
    case ChannelControl::Category: return category_;
    case ChannelControl::Favourite: return favourite_[0];
    case ChannelControl::Lock: return lock_;
    case ChannelControl::Scramble: return scramble_;
    case ChannelControl::CaSystemId: return ca_;
    case ChannelControl::EcmPid: return ecm_;
  }
  return name_;
}

void CChannelDlg::accept() {
  if (!record_) return;
  const ChannelForm form = Collect();
  if (const auto error = ValidateChannelForm(form)) {
    FormMessageFn handler;
    if (message_) handler = [this](const std::string& text, MessageIcon) { message_(text); };
    RefuseFormInput(this, handler, error->message, MessageIcon::Exclamation, Control(error->control));
    return;
  }
  ApplyChannelForm(form, *record_);
  QDialog::accept();
}

}  // namespace kavor
