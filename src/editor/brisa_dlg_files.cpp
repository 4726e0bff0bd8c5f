// File > Open and Save As: configurations kept in files. The file operations work on copies of
// the shared blocks, taken or stored under the board lock, so a board read or write running at
// the same time never mixes into them.

#include <filesystem>
#include <mutex>

#include "editor/brisa_dlg.h"
#include "editor/config_file.h"
#include "editor/config_file_store.h"
#include "editor/config_reports.h"
#include "editor/page_fill.h"

namespace brisa::editor {
namespace {

const char* const kConfigFileFilter = "BIN Files (*.bin)|*.bin|All Files (*.*)|*.*||";
const char* const kConfigFileExtension = "bin";

ui::FileDialogSpec ConfigFileDialog(const char* title, bool overwritePrompt) {
  ui::FileDialogSpec spec;
  spec.title = title;
  spec.defaultExtension = kConfigFileExtension;
  spec.filter = kConfigFileFilter;
  spec.overwritePrompt = overwritePrompt;
  return spec;
}

// The chosen file's folder and name joined by one "/" (the root folder gets no second one). A
// name typed without an extension gets the default one, should the dialog not have added it.
std::string ComposePath(const std::string& chosen, bool addDefaultExtension) {
  const std::filesystem::path path(chosen);
  std::filesystem::path name = path.filename();
  if (name.empty()) return chosen;
  if (addDefaultExtension && !name.has_extension()) {
    name += std::string(".") + kConfigFileExtension;
  }
  const std::filesystem::path folder = path.parent_path();
  return (folder.empty() ? name : folder / name).string();
}

}  // namespace

void CBrisaDlg::OnFileOpen() {
  const auto chosen = m_environment.prompts.openFile(ConfigFileDialog("Open", false));
  if (!chosen) return;
  // Kept even when the file is then refused.
  m_context.strConfigFilePath = ComposePath(*chosen, false);
  const auto bytes = ReadFileHead(m_context.strConfigFilePath, kConfigFileSize);
  if (!bytes) {
    m_environment.prompts.messageBox("The file does not exist or incorrect");
    return;
  }
  const DecodedConfigFile decoded = DecodeConfigFile(*bytes);
  if (decoded.status != ConfigFileStatus::Ok) {
    m_environment.prompts.messageBox("The file is corrupted or invalid version");
    return;
  }
  {
    std::lock_guard lock(m_context.board.boardLock);
    m_context.board.configRecord = decoded.file.record;
  }
  // The pages show the file's blocks, not whatever a read may have put in the record since.
  FillConfigPages(Pages(), decoded.file.record,
                  FileFillLayout(decoded.file.modelId, m_context.board.pDevice.get()));
}

void CBrisaDlg::OnFileSaveAs() {
  const auto chosen =
      m_environment.prompts.saveFile(ConfigFileDialog("Save configuration as", true));
  if (!chosen) return;
  m_context.strConfigFilePath = ComposePath(*chosen, true);
  OnFileSave();
}

void CBrisaDlg::OnFileSave() {
  if (RefuseUnconvertedText()) return;
  const std::string& path = m_context.strConfigFilePath;
  // The new contents replace the file only once complete: a failed save leaves the old file
  // as it was. Whether the file can be written at all is known before anything is built.
  AtomicFileWriter writer(path);
  if (path.empty() || !writer.Open()) {
    m_environment.prompts.messageBox("Cannot save the configuration");
    return;
  }
  const board::OutgoingReports reports = CollectConfigReports();
  const board::ConfigRecord record = board::RecordFromReports(reports);
  {
    board::BoardState& board = m_context.board;
    std::lock_guard lock(board.boardLock);
    board.configRecord = record;
    // A pending write keeps the reports Update raised it with.
    if (board.writeRequest == 0) board.outReports = reports;
  }
  const board::Device* device = m_context.board.pDevice.get();
  const std::uint32_t modelId = device != nullptr ? device->GetModelId() : kNoBoardModelId;
  if (!writer.Commit(EncodeConfigFile(record, modelId))) {
    m_environment.prompts.messageBox("Cannot save the configuration");
  }
}

}  // namespace brisa::editor
