#pragma once

#include <optional>
#include <string>

namespace brisa::ui {

// What a file dialog shows. The filter uses pairs of display text and pattern separated by
// "|" and ended by "||", as in "BIN Files (*.bin)|*.bin|All Files (*.*)|*.*||".
struct FileDialogSpec {
  std::string title;  // empty: the toolkit's own title
  std::string defaultExtension;
  std::string initialName;
  std::string filter;
  bool overwritePrompt = false;  // a save dialog asks before it names an existing file
  bool operator==(const FileDialogSpec&) const = default;
};

// Modal questions to the user. Each returns once the user has answered.
class Prompts {
 public:
  virtual ~Prompts() = default;
  // A message box with the text and an OK button.
  virtual void messageBox(const std::string& text) = 0;
  // The chosen file's full path, or nothing when the dialog was cancelled.
  virtual std::optional<std::string> openFile(const FileDialogSpec& spec) = 0;
  virtual std::optional<std::string> saveFile(const FileDialogSpec& spec) = 0;
};

}  // namespace brisa::ui
