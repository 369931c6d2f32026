// The editing session the form works on: the image, its index and view state,
// the document path, the window caption and the settings. The file commands
// live here so the editor and kavor-cli load files the same way.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "app/settings.h"
#include "database/edit_history.h"
#include "database/image.h"
#include "database/view_state.h"

namespace kavor {

inline constexpr const char* kBaseTitle = "Kavor";
inline constexpr const char* kReadDataPath = "ReadData.bin";

class Document {
 public:
  Document();
  Image& image() { return image_; }
  ViewState& view() { return view_; }
  const ViewState& view() const { return view_; }
  Settings& settings() { return settings_; }
  EditHistory& history() { return history_; }
  const EditHistory& history() const { return history_; }
  // Changed since it was loaded or last saved (Ctrl+N keeps this).
  bool modified() const { return history_.modified(); }
  // What to ask before a modified document is dropped: "Save changes to
  // <file name>?", or "Save changes?" while it has no real name.
  std::string SaveChangesQuestion() const;

  // The form's initialisation (start-up and Ctrl+N): modes back to TV / All
  // Sat., settings located (the Kavor.ini of `current_directory` when there
  // is one, else the user's config folder, Settings::Locate) and read,
  // caption reset.
  void Initialise(const std::filesystem::path& current_directory);
  void Initialise(const std::filesystem::path& current_directory, const std::filesystem::path& config_home);

  const std::string& document_path() const { return document_path_; }
  // False while the path is the default pattern ".\\*.bin" (before any Open,
  // and after Ctrl+N when "PathName" holds it): that is a wildcard, not a
  // file, so Save must ask for a name and the dialogs start in the current
  // folder. "ReadData.bin" after a read is a real name.
  bool has_real_name() const;
  const std::string& caption() const { return caption_; }
  int com_port() const { return com_port_; }
  // Stores the index (0..3) and writes "ComPort".
  void SetComPort(int index);

  // Each returns the message to show on failure (nothing changed then).
  // A load starts a fresh history; a successful save marks the saved state.
  // `reason`, when given, receives what lies behind a refused Open.
  std::optional<std::string> Open(const std::filesystem::path& path, std::string* reason = nullptr);
  std::optional<std::string> Save();
  std::optional<std::string> SaveAs(const std::filesystem::path& path);

  // A read from the receiver succeeded: install the staged bytes, rebuild,
  // name the document "ReadData.bin" without touching "PathName".
  void InstallReceivedImage(const std::uint8_t* staged, int kind);

 private:
  void SetDocumentPath(const std::string& path);

  Image image_;
  ViewState view_;
  EditHistory history_;
  Settings settings_;
  std::string document_path_ = kDefaultPathName;
  std::string caption_ = kBaseTitle;
  int com_port_ = 0;
};

}  // namespace kavor
