// What the window shows: its size with and without the toolbar, scroll bars
// only where something scrolls, and names with control bytes.
#include <QCheckBox>
#include <QMenuBar>
#include <QScrollBar>
#include <QToolBar>

#include "editor_fixture.h"

namespace kavor {
namespace {

using kavor::testing::ReadFile;
using kavor::testing::Row;

class WindowLookTest : public kavor::testing::EditorTest {
 protected:
  // The form reaches the bottom and the right edge: no blank band.
  void ExpectWindowFitsForm(const char* when) {
    QApplication::processEvents();
    const QRect form(view->mapTo(frame.get(), QPoint(0, 0)), view->size());
    EXPECT_EQ(form.bottom(), frame->rect().bottom()) << when;
    EXPECT_EQ(form.right(), frame->rect().right()) << when;
    EXPECT_EQ(view->size(), view->minimumSize()) << when << ": the form was squeezed";
  }
};

TEST_F(WindowLookTest, HidingTheToolbarLeavesNoBlankBand) {
  ExpectWindowFitsForm("at start");
  const int with_toolbar = frame->height();
  frame->action(ID_VIEW_TOOLBAR)->trigger();
  ASSERT_FALSE(frame->toolbar()->isVisible());
  EXPECT_FALSE(frame->action(ID_VIEW_TOOLBAR)->isChecked());
  ExpectWindowFitsForm("toolbar hidden");
  EXPECT_LT(frame->height(), with_toolbar);
  frame->action(ID_VIEW_TOOLBAR)->trigger();
  ASSERT_TRUE(frame->toolbar()->isVisible());
  ExpectWindowFitsForm("toolbar shown again");
  EXPECT_EQ(frame->height(), with_toolbar);
  // Docked on the left side it takes width instead of height.
  frame->addToolBar(Qt::LeftToolBarArea, frame->toolbar());
  ExpectWindowFitsForm("toolbar on the left");
  EXPECT_LT(frame->height(), with_toolbar);
}

TEST_F(WindowLookTest, ScrollBarsOnlyWhenSomethingScrolls) {
  auto shown = [](QScrollBar* bar) {
    // The rows are laid out, then the scroll area follows the new range.
    QApplication::processEvents();
    QApplication::sendPostedEvents();
    QApplication::processEvents();
    return bar->isVisible();
  };
  EXPECT_FALSE(shown(view->satellite_list()->verticalScrollBar()));
  EXPECT_FALSE(shown(view->transponder_list()->verticalScrollBar()));
  EXPECT_FALSE(shown(view->channel_list()->horizontalScrollBar()));
  Load();
  EXPECT_TRUE(shown(view->satellite_list()->verticalScrollBar())) << "50 rows do not fit";
  EXPECT_FALSE(shown(view->transponder_list()->verticalScrollBar())) << "3 rows fit";
  EXPECT_TRUE(shown(view->channel_list()->horizontalScrollBar())) << "800 rows need many columns";
  view->all_sat_box()->click();
  kavor::testing::Click(view->satellite_list(), 2);  // satellite 3: nothing
  EXPECT_EQ(view->channel_list()->model()->rowCount(), 0);
  QScrollBar* hbar = view->channel_list()->horizontalScrollBar();
  EXPECT_FALSE(shown(hbar));
  EXPECT_FALSE(shown(view->channel_list()->verticalScrollBar()));
}

TEST_F(WindowLookTest, ControlBytesInNamesShowAPlaceholder) {
  // DVB-style emphasis codes, a C0 byte and DEL around plain text.
  const std::string channel_name = "\x86" "ARD\x87" "\x05" "X\x7f";
  const std::string satellite_name = "Sat\x01" "\x9f";
  Image image;
  ImageBuilder b(image, 3);
  b.NameSatellite(0, satellite_name, 192);
  b.AddTransponder(1, 11000, 22000, false);
  b.AddChannel(1, 1, {kServiceTypeTv, channel_name});
  b.Finish();
  ASSERT_TRUE(WriteDataFile(dir / "controls.bin", image));
  ASSERT_TRUE(view->OpenFile((dir / "controls.bin").string()));
  QApplication::processEvents();

  const QString channel_row = Row(view->channel_list(), 0);
  const QString satellite_row = Row(view->satellite_list(), 0);
  for (const QString& text : {channel_row, satellite_row})
    for (QChar c : text)
      EXPECT_FALSE(c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
          << "U+" << std::hex << int(c.unicode()) << " drawn in \"" << text.toStdString() << "\"";
  const QChar mark = channel_row.at(7);  // "%4d %c " comes first
  EXPECT_TRUE(mark == QChar(0xFFFD) || mark == QChar('?'));
  // Each byte stays one column wide, so the padding still lines up.
  EXPECT_EQ(channel_row.mid(7), QString("%1ARD%1%1X%1").arg(mark).leftJustified(16));
  EXPECT_EQ(satellite_row, QString(" 1 Sat%1%1").arg(mark));
  // The image keeps the bytes: Save writes them back unchanged.
  frame->action(ID_FILE_SAVE)->trigger();
  EXPECT_TRUE(ReadFile(dir / "controls.bin") ==
              std::string(reinterpret_cast<const char*>(image.bytes()), std::size_t(ImageLength(3))));
}

}  // namespace
}  // namespace kavor
