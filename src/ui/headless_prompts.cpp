#include "ui/headless_prompts.h"

namespace brisa::ui {

void HeadlessPrompts::messageBox(const std::string& text) {
  std::lock_guard lock(m_mutex);
  m_messages.push_back(text);
}

std::optional<std::string> HeadlessPrompts::openFile(const FileDialogSpec& spec) {
  return ask(FileDialogKind::Open, spec);
}

std::optional<std::string> HeadlessPrompts::saveFile(const FileDialogSpec& spec) {
  return ask(FileDialogKind::Save, spec);
}

std::optional<std::string> HeadlessPrompts::ask(FileDialogKind kind, const FileDialogSpec& spec) {
  std::lock_guard lock(m_mutex);
  m_fileDialogs.push_back({kind, spec});
  if (m_answers.empty()) return std::nullopt;
  auto answer = std::move(m_answers.front());
  m_answers.pop_front();
  return answer;
}

void HeadlessPrompts::answerWithPath(const std::string& path) {
  std::lock_guard lock(m_mutex);
  m_answers.emplace_back(path);
}

void HeadlessPrompts::answerWithCancel() {
  std::lock_guard lock(m_mutex);
  m_answers.emplace_back(std::nullopt);
}

std::size_t HeadlessPrompts::unusedAnswers() const {
  std::lock_guard lock(m_mutex);
  return m_answers.size();
}

std::vector<std::string> HeadlessPrompts::messages() const {
  std::lock_guard lock(m_mutex);
  return m_messages;
}

std::vector<AskedFileDialog> HeadlessPrompts::fileDialogs() const {
  std::lock_guard lock(m_mutex);
  return m_fileDialogs;
}

}  // namespace brisa::ui
