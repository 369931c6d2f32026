// Helpers for the editing dialogs' tests: a channel record in a buffer of
// its own, and the actions a user takes while a modal dialog is open.
#pragma once

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>

#include "database/image.h"

namespace kavor::testing {

struct RecordBuffer {
  std::array<std::uint8_t, ChannelRecord::kSize> bytes{};
  ChannelRecord record() { return ChannelRecord(bytes.data()); }
};

// Runs `while_open` once the modal dialog that `open` shows is up; a dialog
// the actions leave open is cancelled, and the test fails, so nothing hangs.
template <typename Open>
auto WhileModal(std::function<void(QWidget* modal)> while_open, Open open) {
  bool ran = false;
  QTimer::singleShot(0, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    ran = modal != nullptr;
    if (modal) while_open(modal);
    QApplication::processEvents();
    if (QWidget* still = QApplication::activeModalWidget(); still && still == modal) {
      ADD_FAILURE() << "the dialog stayed open";
      if (auto* dialog = qobject_cast<QDialog*>(still)) dialog->reject();
    }
  });
  auto result = open();
  EXPECT_TRUE(ran) << "no modal dialog was shown";
  return result;
}

// Replaces the box's text as a paste does: the box's own paste, which its
// validator and length limit judge.
inline void Paste(QLineEdit* box, const QString& text) {
  QApplication::clipboard()->setText(text);
  box->setFocus();
  box->selectAll();
  box->paste();
}

// Typing, one key event per character; QTest's own clicks know ASCII only.
inline void Type(QWidget* box, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(box, &release);
  }
}

inline void Retype(QLineEdit* box, const QString& text) {
  box->setFocus();
  box->selectAll();
  box->del();
  Type(box, text);
}

}  // namespace kavor::testing
