// The SatcoDx import's open dialog as the editor shows it.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>

#include "editing/qt_user_interface.h"

namespace kavor {
namespace {

TEST(SatcoDxFileDialog, OffersSdxFilesThenAllFilesAndNeedsAnExistingFile) {
  auto dialog = MakeSatcoDxFileDialog(nullptr);
  QStringList texts;
  auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo");
  ASSERT_NE(combo, nullptr);
  for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
  EXPECT_EQ(texts, (QStringList{"SatcoDx file(*.sdx)", "*.*"}));
  EXPECT_EQ(dialog->selectedNameFilter(), "SatcoDx file(*.sdx)");
  EXPECT_EQ(dialog->defaultSuffix(), "sdx");
  EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(dialog->directory().absolutePath(), QDir::currentPath());
}

}  // namespace
}  // namespace kavor
