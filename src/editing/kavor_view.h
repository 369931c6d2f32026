// The form: three lists (satellites, transponders, channels), the TV/Radio
// buttons and "All Sat.". It mirrors the core's view state and turns user
// input into the core's selection rules; selections it makes itself never
// run the user handlers.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "database/document.h"
#include "editing/command_routing.h"
#include "editing/kavor_list_view.h"
#include "editing/operations.h"
#include "editing/user_interface.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QListView;
class QMenu;
class QRadioButton;

namespace kavor {

class RowListModel;
class CTransferDlg;
class CConfigDlg;
class CChannelDlg;
class CFindDlg;
class CMoveDlg;
class CSatelliteDlg;
class CTransponderDlg;

class CKavorView : public QWidget, public ViewSink {
  Q_OBJECT
 public:
  CKavorView(Document& doc, UserInterface& ui, QWidget* parent = nullptr);
  ~CKavorView() override;

  // Start-up and Ctrl+N: modes, settings from `current_directory`, caption.
  void OnInitialUpdate(const std::string& current_directory);

  // File commands.
  void OnFileOpen();
  bool OpenFile(const std::string& path);  // the command line's file, without a dialog
  void OnFileSave();
  void OnFileSaveAs();
  // Save as File > Save does (Save As while the document has no real name).
  // False when the file dialog was cancelled or the save failed; the error
  // has been shown then.
  bool SaveDocument();
  bool SaveDocumentAs();
  // Before a modified document is dropped: asks whether to save it first.
  // True: go on (saved, or the user chose to discard the changes); false:
  // the command stops and nothing changes.
  bool ConfirmDiscard();
  // Edit > Undo / Redo: the image and the whole view as they were.
  void OnEditUndo();
  void OnEditRedo();
  // Receiver commands; the transfer dialogs plug in here.
  void OnReadFromReceiver();
  void OnWriteToReceiver();
  void OnConfiguration();
  // Command 32773: the default-table headers into the current folder, then
  // "Ok" or "Error". No menu item or key reaches it; it is sent to the form.
  void OnExport();

  // Popup of a list as the right-click shows it (nullptr when none is shown).
  std::unique_ptr<QMenu> CreatePopupMenu(ListId list);
  // Runs a popup command as if chosen from `source`'s popup.
  void OnPopupCommand(ListId source, int id);
  void OnKey(int id);  // ID_KEY_DELETE / ID_KEY_ENTER on the focused list
  ListId popup_source() const { return popup_source_; }
  // Shows a popup and returns the chosen item (nullptr: dismissed). The
  // default runs the menu modally; tests choose items without blocking.
  using PopupRunner = std::function<QAction*(QMenu& menu, const QPoint& global_pos)>;
  void SetPopupRunner(PopupRunner runner) { popup_runner_ = std::move(runner); }
  // The operation the last command, key or double-click led to.
  Routed last_routed() const { return last_routed_; }

  bool IsCommandEnabled(int id) const;
  Document& document() { return doc_; }
  KavorListView* satellite_list() const { return sat_list_; }
  KavorListView* transponder_list() const { return tp_list_; }
  KavorListView* channel_list() const { return ch_list_; }
  QRadioButton* tv_button() const { return tv_button_; }
  QRadioButton* radio_button() const { return radio_button_; }
  QCheckBox* all_sat_box() const { return all_sat_; }
  QGroupBox* satellite_box() const { return sat_box_; }
  QGroupBox* transponder_box() const { return tp_box_; }
  QGroupBox* channel_box() const { return ch_box_; }
  CTransferDlg* transfer_dialog() const { return transfer_dlg_; }
  CConfigDlg* config_dialog() const { return config_dlg_; }
  CChannelDlg* channel_dialog() const { return channel_dlg_; }
  CFindDlg* find_dialog() const { return find_dlg_; }
  CMoveDlg* move_dialog() const { return move_dlg_; }
  CTransponderDlg* transponder_dialog() const { return transponder_dlg_; }
  CSatelliteDlg* satellite_dialog() const { return satellite_dlg_; }
  EditOperations& operations() { return *operations_; }

 signals:
  void CaptionChanged(const QString& caption);
  // The image loaded flag, the history or the modified state may have changed.
  void CommandStateChanged();

 protected:
  // ViewSink
  void SatelliteListRefilled() override;
  void TransponderListRefilled() override;
  void ChannelListRefilled() override;
  void SatelliteRowSelected(int row) override;
  void SatelliteRowRedrawn(int row) override;
  void TransponderRowSelected(int row) override;
  void TransponderRowRedrawn(int row) override;
  void ChannelSelectionCleared() override;
  void ChannelRowSelected(int row) override;
  void ChannelRowRedrawn(int row) override;
  void ChannelRowsSelected(const std::vector<int>& rows, int focus_row) override;
  void ModeButtonsChanged(bool tv_mode) override;

 private:
  void BuildControls();
  void ConnectSignals();
  void ShowPopup(ListId list, const QPoint& global_pos);
  void Run(Routed routed);
  void UpdateCaptions();
  void AfterLoad();
  // Undo and redo wait while a command runs or a dialog is up: an editor or a
  // transfer may hold on to the image.
  bool Busy() const;
  // The name the file dialogs propose: none while the document has no real one.
  std::string ProposedName() const;
  ListId FocusedList() const;

  Document& doc_;
  UserInterface& ui_;
  QGroupBox* sat_box_ = nullptr;
  QGroupBox* tp_box_ = nullptr;
  QGroupBox* ch_box_ = nullptr;
  KavorListView* sat_list_ = nullptr;
  KavorListView* tp_list_ = nullptr;
  KavorListView* ch_list_ = nullptr;
  QRadioButton* tv_button_ = nullptr;
  QRadioButton* radio_button_ = nullptr;
  QCheckBox* all_sat_ = nullptr;
  RowListModel* sat_model_ = nullptr;
  RowListModel* tp_model_ = nullptr;
  RowListModel* ch_model_ = nullptr;
  int mirroring_ = 0;  // > 0 while the form applies the core's selections
  ListId popup_source_ = ListId::None;
  PopupRunner popup_runner_;
  Routed last_routed_;
  bool running_ = false;  // an operation is under way
  // Created once with the form and shown again for every use.
  CTransferDlg* transfer_dlg_ = nullptr;
  CConfigDlg* config_dlg_ = nullptr;
  CChannelDlg* channel_dlg_ = nullptr;
  CFindDlg* find_dlg_ = nullptr;
  CMoveDlg* move_dlg_ = nullptr;
  CTransponderDlg* transponder_dlg_ = nullptr;
  CSatelliteDlg* satellite_dlg_ = nullptr;
  // The operations the lists' commands run, on this form's view state.
  std::unique_ptr<EditOperations> operations_;
};

}  // namespace kavor
