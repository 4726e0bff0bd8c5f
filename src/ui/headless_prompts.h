#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/prompts.h"

namespace brisa::ui {

enum class FileDialogKind { Open, Save };

struct AskedFileDialog {
  FileDialogKind kind = FileDialogKind::Open;
  FileDialogSpec spec;
  bool operator==(const AskedFileDialog&) const = default;
};

// Prompts without a screen: file dialogs take their answers from a script, in order (an empty
// script cancels), and every message and dialog shown is kept for tests. Thread-safe.
class HeadlessPrompts final : public Prompts {
 public:
  void messageBox(const std::string& text) override;
  std::optional<std::string> openFile(const FileDialogSpec& spec) override;
  std::optional<std::string> saveFile(const FileDialogSpec& spec) override;

  // The next file dialog picks this path (a save dialog: after confirming any overwrite).
  void answerWithPath(const std::string& path);
  // The next file dialog is cancelled.
  void answerWithCancel();
  std::size_t unusedAnswers() const;

  std::vector<std::string> messages() const;
  std::vector<AskedFileDialog> fileDialogs() const;

 private:
  std::optional<std::string> ask(FileDialogKind kind, const FileDialogSpec& spec);

  mutable std::mutex m_mutex;
  std::deque<std::optional<std::string>> m_answers;
  std::vector<std::string> m_messages;
  std::vector<AskedFileDialog> m_fileDialogs;
};

}  // namespace brisa::ui
