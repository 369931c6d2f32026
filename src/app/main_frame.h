// The main window: menu, toolbar, accelerators, About box, around the form.
#pragma once

#include <QAction>
#include <QMainWindow>
#include <map>

#include "editing/kavor_view.h"

class QToolBar;

namespace kavor {

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  CMainFrame(Document& doc, UserInterface& ui);
  CKavorView* view() const { return view_; }
  QToolBar* toolbar() const { return toolbar_; }
  // The menu or toolbar action of a command id (nullptr when absent).
  QAction* action(int id) const;
  // Ctrl+N: the form's initialisation again, without touching the image.
  void OnFileNew();
  void OnAppAbout();
  void UpdateCommandUi();
  // Sizes the window to the form and the toolbar as they are now.
  void FitToForm();

 protected:
  // File > Exit and the close box: a modified document may be saved first,
  // or the close cancelled.
  void closeEvent(QCloseEvent* event) override;

 private:
  void SetCaption(const QString& caption);
  void UpdateEditMenu();
  void BuildMenus();
  void BuildToolbar();
  QAction* AddCommand(int id, const QString& text, const QKeySequence& key = {});

  CKavorView* view_;
  QToolBar* toolbar_ = nullptr;
  std::map<int, QAction*> actions_;
};

// The application icon, drawn (a dish with its signal).
QIcon KavorIcon();

}  // namespace kavor
