// kavor: the editor. `kavor [FILE.bin]` opens the file as File > Open would.
#include <QApplication>
#include <QDir>

#include "app/main_frame.h"
#include "editing/qt_user_interface.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kavor");
  QApplication::setApplicationVersion(KAVOR_VERSION);

  kavor::Document doc;
  kavor::QtUserInterface ui;
  kavor::CMainFrame frame(doc, ui);
  ui.set_parent(&frame);
  frame.view()->OnInitialUpdate(QDir::currentPath().toStdString());

  const QStringList args = QApplication::arguments();
  frame.show();
  if (args.size() > 1) frame.view()->OpenFile(args.at(1).toStdString());
  return QApplication::exec();
}
