#include "editor/brisa_app.h"

#include "editor/brisa_dlg.h"
#include "resources/resource_ids.h"

namespace brisa::editor {

bool CBrisaApp::InitInstance() {
  ui::Shell& shell = m_environment.shell;
  m_hAccel = shell.loadAccelerators(res::kMainAccelerators);
  CBrisaDlg dialog(m_context, m_environment);
  shell.setMainDialog(res::dialog::kMain);
  dialog.DoModal();
  return false;
}

}  // namespace brisa::editor
