#include "app/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QToolBar>

namespace kavor {

namespace {

QPixmap Canvas() {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  return pm;
}

QIcon DrawIcon(const std::function<void(QPainter&)>& draw) {
  QPixmap pm = Canvas();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p);
  return QIcon(pm);
}

void Disk(QPainter& p, QColor body) {
  p.setPen(QPen(QColor(40, 40, 60), 1.5));
  p.setBrush(body);
  p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(9, 5, 14, 9));
  p.setBrush(QColor(60, 60, 80));
  p.drawRect(QRectF(10, 19, 12, 8));
}

void Arrow(QPainter& p, bool down, QColor color) {
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  QPainterPath path;
  if (down) {
    path.addRect(QRectF(13, 2, 6, 12));
    path.moveTo(7, 13);
    path.lineTo(25, 13);
    path.lineTo(16, 22);
  } else {
    path.addRect(QRectF(13, 10, 6, 12));
    path.moveTo(7, 11);
    path.lineTo(25, 11);
    path.lineTo(16, 2);
  }
  path.setFillRule(Qt::WindingFill);
  p.drawPath(path);
  // The receiver box.
  p.setPen(QPen(QColor(40, 40, 60), 1.5));
  p.setBrush(QColor(90, 90, 100));
  p.drawRoundedRect(QRectF(3, 23, 26, 7), 1.5, 1.5);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(80, 220, 80));
  p.drawEllipse(QPointF(25, 26.5), 1.5, 1.5);
}

}  // namespace

QIcon KavorIcon() {
  return DrawIcon([](QPainter& p) {
    p.setPen(QPen(QColor(30, 60, 120), 2));
    p.setBrush(QColor(200, 215, 235));
    p.drawChord(QRectF(2, 4, 24, 24), 45 * 16, 180 * 16);
    p.drawLine(QPointF(14, 16), QPointF(24, 8));
    p.setBrush(QColor(30, 60, 120));
    p.drawEllipse(QPointF(24, 8), 2.5, 2.5);
    p.setPen(QPen(QColor(220, 120, 20), 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(20, 0, 12, 12), 300 * 16, 120 * 16);
    p.drawLine(QPointF(10, 26), QPointF(18, 30));
  });
}

CMainFrame::CMainFrame(Document& doc, UserInterface& ui) {
  // System menu and minimise box; no maximise box, no sizing border.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setWindowIcon(KavorIcon());
  view_ = new CKavorView(doc, ui, this);
  setCentralWidget(view_);
  BuildMenus();
  BuildToolbar();
  connect(view_, &CKavorView::CaptionChanged, this, &CMainFrame::SetCaption);
  connect(view_, &CKavorView::CommandStateChanged, this, &CMainFrame::UpdateCommandUi);
  SetCaption("Kavor");
  UpdateCommandUi();
  FitToForm();
}

void CMainFrame::FitToForm() {
  // The window has no sizing border: it follows the form and the toolbar,
  // within 1024 x 740 unless the form beside a side-docked toolbar needs
  // more; clipping the form instead would hide the channel list's edge.
  if (QLayout* l = layout()) {
    l->invalidate();
    l->activate();
  }
  setFixedSize(sizeHint().boundedTo(QSize(1024, 740)));
}

QAction* CMainFrame::AddCommand(int id, const QString& text, const QKeySequence& key) {
  auto* a = new QAction(text, this);
  a->setData(id);
  if (!key.isEmpty()) a->setShortcut(key);
  actions_[id] = a;
  addAction(a);  // accelerators work with the toolbar hidden too
  return a;
}

QAction* CMainFrame::action(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  auto* open = AddCommand(ID_FILE_OPEN, "&Open...\tCtrl+O", QKeySequence("Ctrl+O"));
  auto* save = AddCommand(ID_FILE_SAVE, "&Save\tCtrl+S", QKeySequence("Ctrl+S"));
  auto* save_as = AddCommand(ID_FILE_SAVE_AS, "Save &As...");
  auto* read = AddCommand(ID_READ_FROM_RECEIVER, "Read from receiver\tCtrl+R", QKeySequence("Ctrl+R"));
  auto* write = AddCommand(ID_WRITE_TO_RECEIVER, "Write to receiver\tCtrl+W", QKeySequence("Ctrl+W"));
  auto* config = AddCommand(ID_CONFIGURATION, "Configuration...");
  auto* exit = AddCommand(ID_APP_EXIT, "E&xit");
  file->addAction(open);
  file->addAction(save);
  file->addAction(save_as);
  file->addSeparator();
  file->addAction(read);
  file->addAction(write);
  file->addSeparator();
  file->addAction(config);
  // "Export" is not offered.
  file->addSeparator();
  file->addAction(exit);

  // The texts follow the history (UpdateEditMenu).
  QMenu* edit = menuBar()->addMenu("&Edit");
  auto* undo = AddCommand(ID_EDIT_UNDO, "Undo\tCtrl+Z");
  undo->setShortcuts({QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")});
  auto* redo = AddCommand(ID_EDIT_REDO, "Redo\tCtrl+Y");
  redo->setShortcuts({QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")});
  edit->addAction(undo);
  edit->addAction(redo);

  QMenu* view_menu = menuBar()->addMenu("&View");
  auto* toolbar = AddCommand(ID_VIEW_TOOLBAR, "&Toolbar");
  toolbar->setCheckable(true);
  toolbar->setChecked(true);
  view_menu->addAction(toolbar);

  QMenu* help = menuBar()->addMenu("&Help");
  auto* about = AddCommand(ID_APP_ABOUT, "&About Kavor...");
  help->addAction(about);

  auto* new_doc = AddCommand(ID_FILE_NEW, "New", QKeySequence("Ctrl+N"));

  connect(open, &QAction::triggered, view_, &CKavorView::OnFileOpen);
  connect(save, &QAction::triggered, view_, &CKavorView::OnFileSave);
  connect(save_as, &QAction::triggered, view_, &CKavorView::OnFileSaveAs);
  connect(read, &QAction::triggered, view_, &CKavorView::OnReadFromReceiver);
  connect(write, &QAction::triggered, view_, &CKavorView::OnWriteToReceiver);
  connect(config, &QAction::triggered, view_, &CKavorView::OnConfiguration);
  connect(undo, &QAction::triggered, view_, &CKavorView::OnEditUndo);
  connect(redo, &QAction::triggered, view_, &CKavorView::OnEditRedo);
  connect(exit, &QAction::triggered, this, &QWidget::close);
  connect(about, &QAction::triggered, this, &CMainFrame::OnAppAbout);
  connect(new_doc, &QAction::triggered, this, &CMainFrame::OnFileNew);
}

void CMainFrame::BuildToolbar() {
  toolbar_ = addToolBar("Toolbar");
  toolbar_->setObjectName("toolbar");
  toolbar_->setIconSize(QSize(16, 15));
  toolbar_->setAllowedAreas(Qt::AllToolBarAreas);
  const QColor blue(60, 110, 190);
  action(ID_FILE_OPEN)->setIcon(DrawIcon([](QPainter& p) {
    p.setPen(QPen(QColor(120, 90, 20), 1.5));
    p.setBrush(QColor(240, 200, 90));
    p.drawRect(QRectF(3, 9, 24, 18));
    p.drawRect(QRectF(3, 6, 10, 4));
    p.setBrush(QColor(250, 225, 130));
    QPolygonF front({{6, 14}, {30, 14}, {27, 27}, {3, 27}});
    p.drawPolygon(front);
  }));
  action(ID_FILE_SAVE)->setIcon(DrawIcon([&](QPainter& p) { Disk(p, blue); }));
  action(ID_FILE_SAVE_AS)->setIcon(DrawIcon([&](QPainter& p) {
    Disk(p, blue);
    p.setPen(QPen(QColor(200, 60, 30), 3));
    p.drawLine(QPointF(18, 28), QPointF(30, 16));
  }));
  action(ID_READ_FROM_RECEIVER)->setIcon(DrawIcon([](QPainter& p) { Arrow(p, true, QColor(30, 150, 60)); }));
  action(ID_WRITE_TO_RECEIVER)->setIcon(DrawIcon([](QPainter& p) { Arrow(p, false, QColor(200, 80, 30)); }));
  const std::pair<int, const char*> buttons[] = {{ID_FILE_OPEN, "Open"},
                                                  {ID_FILE_SAVE, "Save"},
                                                  {ID_FILE_SAVE_AS, "Save As"},
                                                  {0, nullptr},
                                                  {ID_READ_FROM_RECEIVER, "Read from receiver"},
                                                  {ID_WRITE_TO_RECEIVER, "Write to receiver"}};
  for (const auto& [id, tip] : buttons) {
    if (!id) {
      toolbar_->addSeparator();
      continue;
    }
    QAction* a = action(id);
    a->setToolTip(tip);
    toolbar_->addAction(a);
  }
  QAction* toggle = action(ID_VIEW_TOOLBAR);
  connect(toggle, &QAction::toggled, toolbar_, &QWidget::setVisible);
  connect(toolbar_, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
  // Hidden, floating or docked on another side, the toolbar takes another
  // share of the window; a fixed-size window must follow or show a blank band.
  connect(toolbar_, &QToolBar::visibilityChanged, this, &CMainFrame::FitToForm);
  connect(toolbar_, &QToolBar::topLevelChanged, this, &CMainFrame::FitToForm);
  connect(toolbar_, &QToolBar::orientationChanged, this, &CMainFrame::FitToForm);
}

void CMainFrame::UpdateCommandUi() {
  for (const auto& [id, a] : actions_)
    if (id != ID_VIEW_TOOLBAR && id != ID_EDIT_UNDO && id != ID_EDIT_REDO) a->setEnabled(view_->IsCommandEnabled(id));
  UpdateEditMenu();
  setWindowModified(view_->document().modified());
}

void CMainFrame::UpdateEditMenu() {
  const EditHistory& history = view_->document().history();
  const auto item = [](const char* verb, const std::string& what, const char* key) {
    QString text = verb;
    if (!what.empty()) text += ' ' + QString::fromStdString(what);
    return text + '\t' + key;
  };
  QAction* undo = action(ID_EDIT_UNDO);
  undo->setText(item("Undo", history.UndoName(), "Ctrl+Z"));
  undo->setEnabled(history.CanUndo());
  QAction* redo = action(ID_EDIT_REDO);
  redo->setText(item("Redo", history.RedoName(), "Ctrl+Y"));
  redo->setEnabled(history.CanRedo());
}

void CMainFrame::SetCaption(const QString& caption) {
  // Qt shows "[*]" as "*" while the window is modified; one in a path must
  // stay as it is, so it is doubled.
  QString title = caption;
  title.replace("[*]", "[*][*]");
  setWindowTitle(title + "[*]");
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (view_->ConfirmDiscard())
    event->accept();
  else
    event->ignore();
}

void CMainFrame::OnFileNew() {
  view_->OnInitialUpdate(QDir::currentPath().toStdString());
}

void CMainFrame::OnAppAbout() {
  QDialog about(this);
  about.setWindowTitle("About Kavor");
  auto* icon = new QLabel(&about);
  icon->setPixmap(KavorIcon().pixmap(32, 32));
  icon->setGeometry(12, 12, 32, 32);
  auto* text = new QLabel(QString("Kavor Version %1").arg(KAVOR_VERSION), &about);
  text->setObjectName("aboutText");
  text->setAlignment(Qt::AlignCenter);
  text->setGeometry(56, 20, 220, 20);
  auto* ok = new QPushButton("OK", &about);
  ok->setDefault(true);
  ok->setGeometry(250, 70, 80, 26);
  connect(ok, &QPushButton::clicked, &about, &QDialog::accept);
  about.setFixedSize(341, 114);  // 195 x 70 dialog units
  about.exec();
}

}  // namespace kavor
