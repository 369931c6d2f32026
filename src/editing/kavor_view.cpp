#include "editing/kavor_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QListView>
#include <QMenu>
#include <QRadioButton>
#include <QShortcut>

#include "database/row_format.h"
#include "editing/channel_dlg.h"
#include "editing/display_text.h"
#include "editing/find_dlg.h"
#include "editing/kavor_list_view.h"
#include "editing/move_dlg.h"
#include "editing/qt_user_interface.h"
#include "editing/row_list_model.h"
#include "editing/satellite_dlg.h"
#include "editing/transponder_dlg.h"
#include "interchange/header_export.h"
#include "link/config_dlg.h"
#include "link/transfer_dlg.h"

#include "gui_common/dialog_units.h"

namespace kavor {

namespace {

// Applies the core's selection without running the user handlers.
class Mirror {
 public:
  explicit Mirror(int& depth) : depth_(depth) { ++depth_; }
  ~Mirror() { --depth_; }

 private:
  int& depth_;
};

}  // namespace

CKavorView::CKavorView(Document& doc, UserInterface& ui, QWidget* parent)
    : QWidget(parent), doc_(doc), ui_(ui) {
  BuildControls();
  ConnectSignals();
  transfer_dlg_ = new CTransferDlg(this);
  config_dlg_ = new CConfigDlg(this);
  channel_dlg_ = new CChannelDlg(this);
  find_dlg_ = new CFindDlg(this);
  move_dlg_ = new CMoveDlg(this);
  transponder_dlg_ = new CTransponderDlg(this);
  satellite_dlg_ = new CSatelliteDlg(this);
  // The dialogs' refusals are messages like any other the form shows.
  auto warn = [this](const std::string& text) { ui_.ShowMessage(text, MessageIcon::Exclamation); };
  channel_dlg_->set_message_handler(warn);
  move_dlg_->set_message_handler(warn);
  // These checks choose their own icon ("Frequency Error" is an error).
  auto message = [this](const std::string& text, MessageIcon icon) { ui_.ShowMessage(text, icon); };
  transponder_dlg_->set_message_handler(message);
  satellite_dlg_->set_message_handler(message);
  if (auto* qt_ui = dynamic_cast<QtUserInterface*>(&ui_))
    qt_ui->set_dialogs({channel_dlg_, find_dlg_, move_dlg_, transponder_dlg_, satellite_dlg_});
  operations_ = std::make_unique<EditOperations>(doc_.view(), ui_, &doc_.history());
  doc_.view().set_sink(this);
}

CKavorView::~CKavorView() {
  doc_.view().set_sink(nullptr);
  if (auto* qt_ui = dynamic_cast<QtUserInterface*>(&ui_)) qt_ui->set_dialogs({});
}

void CKavorView::BuildControls() {
  setFixedSize(Du(0, 0, 578, 355).size());
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setStyleHint(QFont::Monospace);
  // Small enough that a transponder row (18 characters) fits the narrow lists.
  fixed.setPixelSize(11);

  sat_box_ = new QGroupBox(this);
  sat_box_->setGeometry(Du(5, 5, 95, 347));
  tp_box_ = new QGroupBox(this);
  tp_box_->setGeometry(Du(105, 5, 95, 347));
  ch_box_ = new QGroupBox(this);
  ch_box_->setGeometry(Du(210, 5, 360, 347));

  ViewState& view = doc_.view();
  const QChar mark = ControlPlaceholder(fixed);
  sat_model_ = new RowListModel(
      [&view] { return view.indexed() ? kSatelliteSlots : 0; },
      [&view, mark](int r) { return DisplayText(SatelliteRowText(r, view.satellite(r)), mark); }, this);
  tp_model_ = new RowListModel(
      [&view] { return int(view.transponder_rows().size()); },
      [&view, mark](int r) {
        return DisplayText(TransponderRowText(view.transponder(view.transponder_rows()[std::size_t(r)])), mark);
      },
      this);
  ch_model_ = new RowListModel(
      [&view] { return int(view.channel_rows().size()); },
      [&view, mark](int r) {
        return DisplayText(ChannelRowText(view.channel(view.channel_rows()[std::size_t(r)])), mark);
      },
      this);

  auto make_list = [&](RowListModel* model, const QRect& geometry, const char* name) {
    auto* list = new KavorListView(this);
    list->setObjectName(name);
    list->setGeometry(geometry);
    list->setFont(fixed);
    list->setModel(model);
    list->setUniformItemSizes(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    // Scroll bars only when there is something to scroll, as a list box shows them.
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return list;
  };
  sat_list_ = make_list(sat_model_, Du(10, 15, 85, 330), "satelliteList");
  tp_list_ = make_list(tp_model_, Du(110, 15, 85, 330), "transponderList");
  ch_list_ = make_list(ch_model_, Du(217, 30, 345, 315), "channelList");
  // Several 200-pixel columns, filled top to bottom, scrolled sideways.
  ch_list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ch_list_->SetColumnFlow(200, QFontMetrics(fixed).height() + 2);
  ch_list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ch_list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

  tv_button_ = new QRadioButton("TV", this);
  tv_button_->setGeometry(Du(225, 18, 20, 10));
  radio_button_ = new QRadioButton("Radio", this);
  radio_button_->setGeometry(Du(250, 18, 30, 10));
  all_sat_ = new QCheckBox("All Sat.", this);
  all_sat_->setGeometry(Du(510, 18, 44, 10));
  // The widgets' own minimum text widths may exceed the dialog-unit sizes.
  for (QWidget* w : {static_cast<QWidget*>(tv_button_), static_cast<QWidget*>(radio_button_),
                     static_cast<QWidget*>(all_sat_)})
    w->resize(std::max(w->width(), w->sizeHint().width()), w->height());
  tv_button_->setChecked(true);
  all_sat_->setChecked(true);
}

void CKavorView::ConnectSignals() {
  ViewState& view = doc_.view();
  connect(sat_list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this, &view](const QModelIndex& current) {
            if (mirroring_ || !current.isValid()) return;
            view.ChooseSatellite(current.row());
          });
  connect(tp_list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this, &view](const QModelIndex& current) {
            if (mirroring_ || !current.isValid()) return;
            view.ChooseTransponder(current.row());
          });
  // A click on the current row chooses it again (a transponder then
  // reselects its first channel); Qt reports no change for it.
  connect(sat_list_, &KavorListView::CurrentRowClickedAgain, this, [this, &view](int row) {
    if (!mirroring_) view.ChooseSatellite(row);
  });
  connect(tp_list_, &KavorListView::CurrentRowClickedAgain, this, [this, &view](int row) {
    if (!mirroring_) view.ChooseTransponder(row);
  });
  auto channel_changed = [this, &view] {
    if (mirroring_) return;
    std::vector<int> rows;
    for (const QModelIndex& i : ch_list_->selectionModel()->selectedIndexes()) rows.push_back(i.row());
    const QModelIndex focus = ch_list_->currentIndex();
    view.SetChannelSelection(rows, focus.isValid() ? focus.row() : ViewState::kNone);
    if (focus.isValid()) view.ChooseChannel(focus.row());
  };
  connect(ch_list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, channel_changed);
  connect(ch_list_->selectionModel(), &QItemSelectionModel::currentChanged, this, channel_changed);

  connect(tv_button_, &QRadioButton::clicked, this, [&view] { view.SetTvMode(true); });
  connect(radio_button_, &QRadioButton::clicked, this, [&view] { view.SetTvMode(false); });
  connect(all_sat_, &QCheckBox::clicked, this, [&view](bool checked) { view.SetAllSatellites(checked); });

  connect(sat_list_, &QListView::doubleClicked, this, [this] { Run(RouteDoubleClick(ListId::Satellite)); });
  connect(tp_list_, &QListView::doubleClicked, this, [this] { Run(RouteDoubleClick(ListId::Transponder)); });
  connect(ch_list_, &QListView::doubleClicked, this, [this] { Run(RouteDoubleClick(ListId::Channel)); });

  const std::pair<QListView*, ListId> lists[] = {
      {sat_list_, ListId::Satellite}, {tp_list_, ListId::Transponder}, {ch_list_, ListId::Channel}};
  for (const auto& [list, id] : lists) {
    connect(list, &QWidget::customContextMenuRequested, this, [this, list = list, id = id](const QPoint& p) {
      ShowPopup(id, list->viewport()->mapToGlobal(p));
    });
  }

  // Del and Enter act on whichever list has the focus.
  auto* del = new QShortcut(QKeySequence(Qt::Key_Delete), this, [this] { OnKey(ID_KEY_DELETE); });
  auto* enter = new QShortcut(QKeySequence(Qt::Key_Return), this, [this] { OnKey(ID_KEY_ENTER); });
  auto* enter2 = new QShortcut(QKeySequence(Qt::Key_Enter), this, [this] { OnKey(ID_KEY_ENTER); });
  for (QShortcut* s : {del, enter, enter2}) s->setContext(Qt::WidgetWithChildrenShortcut);
}

void CKavorView::OnInitialUpdate(const std::string& current_directory) {
  doc_.Initialise(current_directory);
  emit CaptionChanged(QString::fromStdString(doc_.caption()));
}

// ---- view sink

void CKavorView::UpdateCaptions() {
  const ViewState& view = doc_.view();
  if (!view.indexed()) return;
  sat_box_->setTitle(QString::fromStdString(SatelliteCaption(kSatelliteSlots)));
  tp_box_->setTitle(QString::fromStdString(
      TransponderCaption(int(view.transponder_rows().size()), doc_.image().mTpCount())));
  ch_box_->setTitle(QString::fromStdString(ChannelCaption(
      int(view.channel_rows().size()), doc_.image().mServiceCount(), doc_.image().channel_capacity())));
}

void CKavorView::SatelliteListRefilled() {
  Mirror m(mirroring_);
  sat_model_->Reset();
  UpdateCaptions();
}

void CKavorView::TransponderListRefilled() {
  Mirror m(mirroring_);
  tp_model_->Reset();
  UpdateCaptions();
}

void CKavorView::ChannelListRefilled() {
  Mirror m(mirroring_);
  ch_model_->Reset();
  UpdateCaptions();
}

void CKavorView::SatelliteRowSelected(int row) {
  Mirror m(mirroring_);
  const QModelIndex index = sat_model_->index(row);
  sat_list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  sat_list_->ScrollToFront(index);
}

void CKavorView::SatelliteRowRedrawn(int row) {
  Mirror m(mirroring_);
  // Only the row's text changed; the list keeps where it is scrolled to.
  sat_model_->RowChanged(row);
  sat_list_->selectionModel()->setCurrentIndex(sat_model_->index(row), QItemSelectionModel::ClearAndSelect);
}

void CKavorView::TransponderRowRedrawn(int row) {
  Mirror m(mirroring_);
  // The selection follows from the view state right after.
  tp_model_->RowChanged(row);
}

void CKavorView::TransponderRowSelected(int row) {
  Mirror m(mirroring_);
  if (row < 0) {
    tp_list_->selectionModel()->clear();
    return;
  }
  const QModelIndex index = tp_model_->index(row);
  tp_list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  tp_list_->ScrollToFront(index);
}

void CKavorView::ChannelSelectionCleared() {
  Mirror m(mirroring_);
  ch_list_->selectionModel()->clearSelection();
}

void CKavorView::ChannelRowSelected(int row) {
  Mirror m(mirroring_);
  const QModelIndex index = ch_model_->index(row);
  ch_list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::Select);
  // "To the top" in a column-flowing list: its column becomes the first visible one.
  ch_list_->ScrollToFront(index);
}

void CKavorView::ChannelRowRedrawn(int row) {
  Mirror m(mirroring_);
  const QModelIndex index = ch_model_->index(row);
  ch_model_->RowChanged(row);
  ch_list_->selectionModel()->select(index, QItemSelectionModel::Select);
}

void CKavorView::ChannelRowsSelected(const std::vector<int>& rows, int focus_row) {
  Mirror m(mirroring_);
  // One selection of runs of adjacent rows: a find or a move may select
  // thousands, and the view repaints once.
  QItemSelection selection;
  for (std::size_t i = 0; i < rows.size();) {
    std::size_t j = i + 1;
    while (j < rows.size() && rows[j] == rows[j - 1] + 1) ++j;
    selection.select(ch_model_->index(rows[i]), ch_model_->index(rows[j - 1]));
    i = j;
  }
  QItemSelectionModel* model = ch_list_->selectionModel();
  model->select(selection, QItemSelectionModel::Select);
  if (focus_row < 0) return;
  const QModelIndex focus = ch_model_->index(focus_row);
  model->setCurrentIndex(focus, QItemSelectionModel::NoUpdate);
  ch_list_->scrollTo(focus);
}

void CKavorView::ModeButtonsChanged(bool tv_mode) {
  tv_button_->setChecked(tv_mode);
  radio_button_->setChecked(!tv_mode);
  all_sat_->setChecked(doc_.view().all_satellites());
}

// ---- commands

void CKavorView::AfterLoad() {
  emit CaptionChanged(QString::fromStdString(doc_.caption()));
  emit CommandStateChanged();
}

std::string CKavorView::ProposedName() const {
  // The default ".\\*.bin" is a wildcard, not a name to offer.
  return doc_.has_real_name() ? doc_.document_path() : std::string();
}

void CKavorView::OnFileOpen() {
  if (!ConfirmDiscard()) return;
  const auto path = ui_.ChooseOpenFile(ProposedName());
  if (path) OpenFile(*path);
}

bool CKavorView::OpenFile(const std::string& path) {
  if (const auto error = doc_.Open(path)) {
    ui_.ShowMessage(*error, MessageIcon::Error);
    return false;
  }
  AfterLoad();
  return true;
}

void CKavorView::OnFileSave() { SaveDocument(); }

void CKavorView::OnFileSaveAs() { SaveDocumentAs(); }

bool CKavorView::SaveDocument() {
  if (!doc_.view().image_loaded()) return false;
  // Without a real name Save would create a file named after the pattern.
  if (!doc_.has_real_name()) return SaveDocumentAs();
  if (const auto error = doc_.Save()) {
    ui_.ShowMessage(*error, MessageIcon::Error);
    return false;
  }
  emit CommandStateChanged();
  return true;
}

bool CKavorView::SaveDocumentAs() {
  if (!doc_.view().image_loaded()) return false;
  const auto path = ui_.ChooseSaveFile(ProposedName());
  if (!path) return false;
  if (const auto error = doc_.SaveAs(*path)) {
    ui_.ShowMessage(*error, MessageIcon::Error);
    return false;
  }
  emit CaptionChanged(QString::fromStdString(doc_.caption()));
  emit CommandStateChanged();
  return true;
}

bool CKavorView::ConfirmDiscard() {
  if (!doc_.modified()) return true;
  switch (ui_.AskSaveChanges(doc_.SaveChangesQuestion())) {
    case SaveChoice::Save: return SaveDocument();
    case SaveChoice::Discard: return true;
    case SaveChoice::Cancel: return false;
  }
  return false;
}

bool CKavorView::Busy() const { return running_ || QApplication::activeModalWidget() != nullptr; }

void CKavorView::OnEditUndo() {
  if (Busy() || !doc_.history().Undo()) return;
  UpdateCaptions();
  emit CommandStateChanged();
}

void CKavorView::OnEditRedo() {
  if (Busy() || !doc_.history().Redo()) return;
  UpdateCaptions();
  emit CommandStateChanged();
}

void CKavorView::OnReadFromReceiver() {
  if (!ConfirmDiscard()) return;
  transfer_dlg_->SetDirection(TransferDirection::kRead);
  transfer_dlg_->SetPortIndex(doc_.com_port());
  transfer_dlg_->SetImage(&doc_.image());
  if (transfer_dlg_->exec() != QDialog::Accepted) return;
  // The received image is installed here, on the UI thread, after success.
  doc_.InstallReceivedImage(transfer_dlg_->staged_bytes(), transfer_dlg_->staged_kind());
  AfterLoad();
}

void CKavorView::OnWriteToReceiver() {
  if (!doc_.view().image_loaded()) return;
  transfer_dlg_->SetDirection(TransferDirection::kWrite);
  transfer_dlg_->SetPortIndex(doc_.com_port());
  transfer_dlg_->SetImage(&doc_.image());
  transfer_dlg_->exec();
}

void CKavorView::OnConfiguration() {
  config_dlg_->SetPortIndex(doc_.com_port());
  if (config_dlg_->exec() == QDialog::Accepted) doc_.SetComPort(config_dlg_->port_index());
}

void CKavorView::OnExport() {
  if (!doc_.view().image_loaded()) return;
  const bool ok = ExportDefaultTables(doc_.image(), std::filesystem::current_path());
  ui_.ShowMessage(ExportResultText(ok), MessageIcon::Exclamation);
}

bool CKavorView::IsCommandEnabled(int id) const { return kavor::IsCommandEnabled(id, doc_.view()); }

std::unique_ptr<QMenu> CKavorView::CreatePopupMenu(ListId list) {
  const std::vector<MenuItem> items = BuildPopup(list, doc_.view());
  if (items.empty()) return nullptr;
  auto menu = std::make_unique<QMenu>(this);
  std::function<void(QMenu*, const std::vector<MenuItem>&)> fill = [&](QMenu* m, const std::vector<MenuItem>& entries) {
    for (const MenuItem& item : entries) {
      if (item.separator) {
        m->addSeparator();
      } else if (!item.submenu.empty()) {
        QMenu* sub = m->addMenu(QString::fromStdString(item.text));
        sub->setEnabled(item.enabled);
        fill(sub, item.submenu);
      } else {
        QAction* a = m->addAction(QString::fromStdString(item.text));
        a->setData(item.id);
        a->setEnabled(item.enabled);
      }
    }
  };
  fill(menu.get(), items);
  return menu;
}

void CKavorView::ShowPopup(ListId list, const QPoint& global_pos) {
  if (!doc_.view().image_loaded()) return;
  std::unique_ptr<QMenu> menu = CreatePopupMenu(list);
  if (!menu) return;
  popup_source_ = list;
  QAction* chosen = popup_runner_ ? popup_runner_(*menu, global_pos) : menu->exec(global_pos);
  if (chosen && chosen->isEnabled()) OnPopupCommand(list, chosen->data().toInt());
  popup_source_ = ListId::None;
}

void CKavorView::OnPopupCommand(ListId source, int id) { Run(DispatchPopupCommand(source, id)); }

ListId CKavorView::FocusedList() const {
  const QWidget* focus = QApplication::focusWidget();
  if (!focus) return ListId::None;
  if (focus == sat_list_ || sat_list_->isAncestorOf(focus)) return ListId::Satellite;
  if (focus == tp_list_ || tp_list_->isAncestorOf(focus)) return ListId::Transponder;
  if (focus == ch_list_ || ch_list_->isAncestorOf(focus)) return ListId::Channel;
  return ListId::None;
}

void CKavorView::OnKey(int id) {
  // While a dialog is up the lists' keys are not the user's: an Enter meant
  // for the dialog must not open a second editor.
  if (QApplication::activeModalWidget()) return;
  Run(RouteKey(id, FocusedList(), doc_.view()));
}

void CKavorView::Run(Routed routed) {
  if (running_) return;
  last_routed_ = routed;
  running_ = true;
  // The operation tells the form through the view sink what to refill,
  // redraw and select; the counts in the captions may have changed too.
  const bool changed = operations_->Run(routed);
  running_ = false;
  if (changed) UpdateCaptions();
  // Each command may have left a step to undo.
  emit CommandStateChanged();
}

}  // namespace kavor
