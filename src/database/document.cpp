#include "database/document.h"

#include "database/data_file.h"

namespace kavor {

Document::Document() : view_(image_), history_(view_) {}

void Document::Initialise(const std::filesystem::path& current_directory) {
  Initialise(current_directory, ConfigHome());
}

void Document::Initialise(const std::filesystem::path& current_directory, const std::filesystem::path& config_home) {
  view_.InitialiseModes();
  settings_.Locate(current_directory, config_home);
  document_path_ = settings_.ReadPathName();
  com_port_ = settings_.ReadComPort();
  caption_ = kBaseTitle;
}

bool Document::has_real_name() const {
  return !document_path_.empty() && document_path_ != kDefaultPathName;
}

std::string Document::SaveChangesQuestion() const {
  if (!has_real_name()) return "Save changes?";
  return "Save changes to " + std::filesystem::path(document_path_).filename().string() + "?";
}

void Document::SetComPort(int index) {
  com_port_ = index >= 0 && index <= 3 ? index : 0;
  settings_.WriteComPort(com_port_);
}

void Document::SetDocumentPath(const std::string& path) {
  document_path_ = path;
  caption_ = std::string(kBaseTitle) + " - " + document_path_;
}

namespace {
std::string FullPath(const std::filesystem::path& path) {
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(path, ec);
  return (ec ? path : absolute.lexically_normal()).string();
}
}  // namespace

std::optional<std::string> Document::Open(const std::filesystem::path& path, std::string* reason) {
  StagedImage staged;
  if (const int code = ReadDataFile(path, staged, reason)) return FileOpenErrorText(code);
  image_.Install(staged.bytes.get(), staged.kind);
  view_.RebuildIndex();
  history_.Reset();
  SetDocumentPath(FullPath(path));
  settings_.WritePathName(document_path_);
  view_.set_image_loaded();
  return std::nullopt;
}

std::optional<std::string> Document::Save() {
  // The default pattern names no file; callers ask for a name first (Save As).
  if (!has_real_name()) return std::string(kFileSaveError);
  if (!WriteDataFile(document_path_, image_)) return std::string(kFileSaveError);
  history_.MarkSaved();
  return std::nullopt;
}

std::optional<std::string> Document::SaveAs(const std::filesystem::path& path) {
  const std::string full = FullPath(path);
  if (!WriteDataFile(full, image_)) return std::string(kFileSaveError);
  history_.MarkSaved();
  SetDocumentPath(full);
  settings_.WritePathName(document_path_);
  return std::nullopt;
}

void Document::InstallReceivedImage(const std::uint8_t* staged, int kind) {
  image_.Install(staged, kind);
  view_.RebuildIndex();
  history_.Reset();
  SetDocumentPath(kReadDataPath);
  view_.set_image_loaded();
}

}  // namespace kavor
