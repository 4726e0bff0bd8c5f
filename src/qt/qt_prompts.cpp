#include "qt/qt_prompts.h"

#include <QFileDialog>
#include <QMessageBox>

#include "qt/file_filter_qt.h"
#include "resources/app_info.h"

namespace brisa::qt {

void QtPrompts::messageBox(const std::string& text) {
  m_ui.call([&] {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(res::kApplicationTitle),
                    QString::fromStdString(text), QMessageBox::Ok, m_parent());
    box.exec();
  });
}

std::optional<std::string> QtPrompts::openFile(const ui::FileDialogSpec& spec) {
  return ask(spec, false);
}

std::optional<std::string> QtPrompts::saveFile(const ui::FileDialogSpec& spec) {
  return ask(spec, true);
}

std::optional<std::string> QtPrompts::ask(const ui::FileDialogSpec& spec, bool save) {
  return m_ui.call([&]() -> std::optional<std::string> {
    QFileDialog dialog(m_parent(), QString::fromStdString(spec.title), QString(),
                       ToQtFileFilter(spec.filter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QString::fromStdString(spec.defaultExtension));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !spec.overwritePrompt);
    if (!spec.initialName.empty()) dialog.selectFile(QString::fromStdString(spec.initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
  });
}

}  // namespace brisa::qt
