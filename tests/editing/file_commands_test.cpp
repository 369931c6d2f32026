// Open, Save and Save As from the window while the document has no real
// name, and the data-file dialog the editor shows for them.
#include <QComboBox>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QSignalSpy>

#include "editing/qt_user_interface.h"
#include "editor_fixture.h"

namespace kavor {
namespace {

namespace fs = std::filesystem;
using kavor::testing::ReadFile;

class FileCommandsTest : public kavor::testing::EditorTest {
 protected:
  // Ctrl+N from a folder whose Kavor.ini holds the default "PathName".
  fs::path NewInEmptyFolder() {
    const fs::path other = dir / "other";
    fs::create_directory(other);
    kavor::testing::WriteFile(other / "Kavor.ini", "[Kavor]\nPathName=.\\*.bin\n");
    QDir::setCurrent(QString::fromStdString(other.string()));
    Key(frame.get(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_FALSE(doc.has_real_name());
    EXPECT_EQ(Title(), "Kavor");
    return other;
  }
  static std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(FileCommandsTest, SaveWithoutARealNameAsksForOne) {
  Load();
  const fs::path other = NewInEmptyFolder();

  // Cancelled: nothing saved, nothing renamed.
  Key(frame.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(ui.save_dialogs, 1);
  EXPECT_EQ(ui.last_initial, "") << "the pattern was proposed as a name";
  EXPECT_EQ(Names(other), std::vector<std::string>{"Kavor.ini"});
  EXPECT_FALSE(fs::exists(dir / ".\\*.bin"));
  EXPECT_EQ(Title(), "Kavor");
  EXPECT_FALSE(doc.has_real_name());

  ui.next_file = (other / "named.bin").string();
  Key(frame.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(ui.save_dialogs, 2);
  EXPECT_EQ(Names(other), (std::vector<std::string>{"Kavor.ini", "named.bin"}));
  EXPECT_TRUE(ReadFile(other / "named.bin") == ReadFile(dir / "fixture.bin"));
  EXPECT_EQ(Title().toStdString(), "Kavor - " + (other / "named.bin").string());

  // Now it has a name: Save writes there without asking, Save As proposes it.
  fs::remove(other / "named.bin");
  Key(frame.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(ui.save_dialogs, 2);
  EXPECT_TRUE(fs::exists(other / "named.bin"));
  frame->action(ID_FILE_SAVE_AS)->trigger();
  EXPECT_EQ(ui.save_dialogs, 3);
  EXPECT_EQ(ui.last_initial, (other / "named.bin").string());
}

TEST_F(FileCommandsTest, DialogsProposeNoNameWithoutARealOne) {
  Load();
  frame->action(ID_FILE_OPEN)->trigger();  // cancelled
  EXPECT_EQ(ui.last_initial, (dir / "fixture.bin").string());
  NewInEmptyFolder();
  frame->action(ID_FILE_OPEN)->trigger();
  EXPECT_EQ(ui.open_dialogs, 3);
  EXPECT_EQ(ui.last_initial, "");
  frame->action(ID_FILE_SAVE_AS)->trigger();
  EXPECT_EQ(ui.save_dialogs, 1);
  EXPECT_EQ(ui.last_initial, "");
}

TEST_F(FileCommandsTest, ReadDataIsARealName) {
  Load();
  fs::remove(dir / "fixture.bin.copy");
  fs::copy_file(dir / "fixture.bin", dir / "fixture.bin.copy");
  Image received;
  kavor::testing::BuildFixture(received);
  doc.InstallReceivedImage(received.bytes(), 3);
  ASSERT_TRUE(doc.has_real_name());
  Key(frame.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(ui.save_dialogs, 0);
  EXPECT_TRUE(ReadFile(dir / "ReadData.bin") == ReadFile(dir / "fixture.bin"));
  EXPECT_TRUE(ReadFile(dir / "fixture.bin") == ReadFile(dir / "fixture.bin.copy")) << "saved over the opened file";
}

class DataFileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(dir.path().string()));
    for (const char* name : {"a.bin", "b.txt", "noext"}) kavor::testing::WriteFile(dir / name, "x");
  }
  void TearDown() override { QDir::setCurrent(previous_); }
  static QStringList FilterTexts(QFileDialog& dialog) {
    QStringList texts;
    auto* combo = dialog.findChild<QComboBox*>("fileTypeCombo");
    if (combo)
      for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    return texts;
  }
  static QString NameField(QFileDialog& dialog) {
    auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
    return edit ? edit->text() : "<none>";
  }
  kavor::testing::TempDir dir;
  QString previous_;
};

TEST_F(DataFileDialogTest, StartsInTheCurrentFolderWithoutAName) {
  for (auto mode : {QFileDialog::AcceptOpen, QFileDialog::AcceptSave}) {
    auto dialog = MakeDataFileDialog(nullptr, mode, "");
    EXPECT_EQ(dialog->directory().absolutePath(), QDir::currentPath());
    EXPECT_EQ(NameField(*dialog), "");
    EXPECT_EQ(FilterTexts(*dialog), (QStringList{"data file(*.bin)", "*.*"}));
    EXPECT_EQ(dialog->selectedNameFilter(), "data file(*.bin)");
    EXPECT_EQ(dialog->defaultSuffix(), "bin");
  }
  auto open = MakeDataFileDialog(nullptr, QFileDialog::AcceptOpen, "");
  EXPECT_EQ(open->fileMode(), QFileDialog::ExistingFile);
}

TEST_F(DataFileDialogTest, StartsInTheCurrentFolderAfterOneElsewhere) {
  const fs::path sub = dir / "sub";
  fs::create_directory(sub);
  kavor::testing::WriteFile(sub / "there.bin", "x");
  {
    // A dialog accepted in another folder: Qt remembers that folder.
    auto first = MakeDataFileDialog(nullptr, QFileDialog::AcceptOpen, (sub / "there.bin").string());
    first->show();
    QMetaObject::invokeMethod(first.get(), "accept");  // the OK button
    ASSERT_EQ(first->result(), QDialog::Accepted);
  }
  auto dialog = MakeDataFileDialog(nullptr, QFileDialog::AcceptSave, "");
  EXPECT_EQ(dialog->directory().absolutePath(), QDir::currentPath());
}

TEST_F(DataFileDialogTest, ProposesARealName) {
  const fs::path sub = dir / "sub";
  fs::create_directory(sub);
  auto dialog = MakeDataFileDialog(nullptr, QFileDialog::AcceptSave, (sub / "mine.bin").string());
  EXPECT_EQ(dialog->directory().absolutePath().toStdString(), sub.string());
  EXPECT_EQ(NameField(*dialog), "mine.bin");
}

TEST_F(DataFileDialogTest, FiltersMatchBinFilesAndThenEveryFile) {
  auto dialog = MakeDataFileDialog(nullptr, QFileDialog::AcceptOpen, "");
  auto* model = dialog->findChild<QFileSystemModel*>();
  auto* files = dialog->findChild<QListView*>("listView");
  ASSERT_NE(model, nullptr);
  ASSERT_NE(files, nullptr);
  QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
  dialog->show();
  // Waits for the listing (an event), not for a time.
  ASSERT_TRUE(loaded.count() > 0 || loaded.wait(10000));
  EXPECT_EQ(files->model()->rowCount(files->rootIndex()), 1);  // a.bin
  EXPECT_EQ(model->nameFilters(), QStringList{"*.bin"});
  dialog->selectNameFilter("*.* (*)");
  EXPECT_EQ(dialog->selectedNameFilter(), "*.*");
  EXPECT_EQ(model->nameFilters(), QStringList{"*"}) << "names without a dot must show too";
}

}  // namespace
}  // namespace kavor
