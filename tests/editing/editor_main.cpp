// One QApplication for all the editor tests. Qt's dialogs and the settings
// write below XDG_CONFIG_HOME: for the run that is a folder of its own.
#include <QApplication>
#include <gtest/gtest.h>

#include "support/temp_dir.h"

int main(int argc, char** argv) {
  kavor::testing::TempDir config;
  ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
  int status = 0;
  {
    QApplication app(argc, argv);
    // Tests close their windows; the run goes on.
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    status = RUN_ALL_TESTS();
  }
  return status;
}
