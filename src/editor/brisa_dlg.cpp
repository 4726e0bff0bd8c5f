#include "editor/brisa_dlg.h"

#include <cstdio>
#include <stdexcept>

#include "board/report_exchange.h"
#include "editor/build_caption.h"
#include "resources/dialog_template.h"
#include "resources/menu.h"
#include "resources/resource_ids.h"

namespace brisa::editor {
namespace {

namespace ids = res::main_dialog;
namespace cmd = res::command;

const char* const kTabTexts[kPageCount] = {"Button Setup", "Button Test", "Axis Setup", "Advanced",
                                           "Keyboard"};

std::string ThreadError(const char* format, int code) {
  char text[96];
  std::snprintf(text, sizeof text, format, code);
  return text;
}

}  // namespace

CBrisaDlg::CBrisaDlg(AppContext& context, Environment& environment)
    : m_tabCtrl(context, environment, res::dialog::kMain, ids::kTabControl),
      m_hIcon(res::icon::kApplication),
      m_context(context),
      m_environment(environment) {
  QueryReportOffset();
  m_context.pMainDlg = this;
  InitUsbContext();
}

CBrisaDlg::~CBrisaDlg() {
  // No device notification may arrive for a dialog that is gone.
  m_deviceNotification.reset();
  // Nothing may reach the dialog through the context once it is gone.
  if (m_context.pMainDlg == this) m_context.pMainDlg = nullptr;
}

void CBrisaDlg::QueryReportOffset() {
  // Linux hands every feature report over with its report id in byte 0, Bluetooth ones too;
  // a backend may say otherwise.
  const platform::Hid* hid = m_environment.hid;
  m_context.board.isWin10OrLater = hid == nullptr || hid->bluetoothFeatureReportsCarryReportId();
}

void CBrisaDlg::InitUsbContext() {
  // Once per process; a library that does not start is not reported, it only leaves the
  // bootloader unopenable.
  if (m_context.dfu.pUsbContext != nullptr || m_environment.usb == nullptr) return;
  if (m_environment.usb->init() == platform::kUsbSuccess) {
    m_context.dfu.pUsbContext = m_environment.usb;
  }
}

int CBrisaDlg::DoModal() {
  Create();
  const int result = m_environment.shell.runModal(res::dialog::kMain);
  m_environment.shell.destroyDialog(res::dialog::kMain);
  m_window = nullptr;
  return result;
}

void CBrisaDlg::Create() {
  m_window = &m_environment.shell.createDialog(res::dialog::kMain, *this);
  // TRUE from the initialisation: the first enabled tab stop takes the focus.
  const bool focusFirst = OnInitDialog();
  m_environment.shell.showDialog(res::dialog::kMain, true);
  if (focusFirst) m_environment.shell.focusDialog(res::dialog::kMain);
}

ui::Window& CBrisaDlg::window() const {
  if (m_window == nullptr) throw std::logic_error("the main dialog has no window");
  return *m_window;
}

void CBrisaDlg::UpdateData(bool saveAndValidate) {
  ui::Window& w = window();
  if (saveAndValidate) {
    m_vendorId = w.text(ids::kVendorIdEdit);
    m_productId = w.text(ids::kProductIdEdit);
    m_firmwareVersion = w.text(ids::kFirmwareVersionEdit);
    m_batteryLevel = w.text(ids::kBatteryLevelEdit);
  } else {
    w.setText(ids::kVendorIdEdit, m_vendorId);
    w.setText(ids::kProductIdEdit, m_productId);
    w.setText(ids::kFirmwareVersionEdit, m_firmwareVersion);
    w.setText(ids::kBatteryLevelEdit, m_batteryLevel);
  }
}

bool CBrisaDlg::OnInitDialog() {
  ui::Shell& shell = m_environment.shell;
  UpdateData(false);
  shell.setDialogIcon(res::dialog::kMain, m_hIcon);
  RegisterDeviceNotifications();
  for (int i = 0; i < kPageCount; ++i) {
    shell.insertTabItem(res::dialog::kMain, ids::kTabControl, i, kTabTexts[i]);
  }
  m_tabCtrl.Init();
  RefreshDeviceList();
  shell.setTimer(res::dialog::kMain, kTimerId, kTimerPeriodMs);
  CreateWorkerThreads();
  ShowPicturesNotReceived();
  window().setDefaultButton(ids::kReadButton);
  window().setCaption(BuildCaption(window().caption(), BuildDate()));
  return true;
}

void CBrisaDlg::CreateWorkerThreads() {
  struct Worker {
    bool& started;
    const std::function<void()>& body;
    const char* error;
  };
  const WorkerProcs& procs = m_environment.workers;
  const Worker workers[] = {
      {m_context.hReadThread, procs.ReadThreadProc,
       "Error occured when creating Read thread (%d)\n"},
      {m_context.hDfuThread, procs.DfuThreadProc, "Error occured when creating DFU thread (%d)\n"},
      {m_context.hWriteThread, procs.WriteThreadProc,
       "Error occured when creating Write thread (%d)\n"},
  };
  for (const Worker& worker : workers) {
    if (worker.started) continue;
    const int error = m_environment.threads.launch(worker.body);
    if (error != 0) {
      m_environment.prompts.messageBox(ThreadError(worker.error, error));
      continue;
    }
    worker.started = true;
  }
}

void CBrisaDlg::ShowPicturesNotReceived() {
  namespace test = res::button_test;
  ui::Window& buttonTest = page(kPageButtonTest);
  for (int i = 0; i < test::kLampCount; ++i) {
    m_context.buttonState[static_cast<std::size_t>(i)] = kButtonStateUnknown;
    buttonTest.setIcon(test::Lamp(i), res::icon::kLampUnknown);
  }
  buttonTest.setIcon(test::kHat1Picture, res::icon::HatPicture(0));
  buttonTest.setIcon(test::kHat2Picture, res::icon::HatPicture(0));
  m_context.hatIndex = 0;
  m_context.axisShown = AppContext::UnknownAxes();
}

void CBrisaDlg::OnCancel() {
  // A request counts only while its worker runs: one that never started would keep the
  // window open for good, and without it nothing is being written.
  const bool writePending = m_context.board.writeRequest != 0 && m_context.hWriteThread;
  const bool upgradePending = m_context.dfu.upgradeRequest != 0 && m_context.hDfuThread;
  if (writePending || upgradePending) return;
  m_environment.shell.endDialog(res::dialog::kMain, ui::kIdCancel);
}

void CBrisaDlg::OnBnClickedRead() {
  board::AskRead(m_context.board);
}

bool CBrisaDlg::OnUpdateConfigCommand() const {
  return window().enabled(ids::kUpdateButton);
}

std::optional<bool> CBrisaDlg::UpdateCommandState(int commandId) const {
  switch (commandId) {
    case cmd::ID_FILE_OPEN:
    case cmd::ID_FILE_SAVE_AS:
    case cmd::ID_DEVICE_READ:
    case cmd::ID_DEVICE_UPDATE:
      return OnUpdateConfigCommand();
    default:
      return std::nullopt;
  }
}

void CBrisaDlg::OnKickIdle() {
  const res::Menu& menu = res::GetMenu(res::GetDialogTemplate(res::dialog::kMain).menuId);
  for (const res::MenuPopup& popup : menu.popups) {
    for (const res::MenuItem& item : popup.items) {
      if (item.IsSeparator()) continue;
      if (const auto enabled = UpdateCommandState(item.commandId)) {
        m_environment.shell.setMenuItemEnabled(res::dialog::kMain, item.commandId, *enabled);
      }
    }
  }
}

void CBrisaDlg::onNotify(int controlId, ui::Notification code) {
  using ui::Notification;
  if (code == Notification::Clicked) {
    switch (controlId) {
      case ids::kUpdateButton:
        OnBnClickedUpdate();
        return;
      case ids::kReadButton:
        OnBnClickedRead();
        return;
      case ids::kSetDefaultsButton:
        OnBnClickedSetDefaults();
        return;
      default:
        return;
    }
  }
  if (code == Notification::SelEndOk && controlId == ids::kDeviceCombo) {
    // Picked by the user: a permission problem of this entry is told again.
    m_permissionToldFor.clear();
    OnCbnSelendokDevice();
  } else if (code == Notification::LButtonDown && controlId == ids::kTabControl) {
    m_tabCtrl.OnLButtonDown();
  }
}

void CBrisaDlg::onCommand(int commandId, ui::CommandSource source) {
  // Menu states are kept up to date whenever the menu opens or an accelerator arrives.
  if (source == ui::CommandSource::Accelerator) OnKickIdle();
  // A command whose update rule disables it is dropped, whichever way it came.
  if (const auto enabled = UpdateCommandState(commandId); enabled && !*enabled) return;
  RunCommand(commandId);
}

void CBrisaDlg::RunCommand(int commandId) {
  switch (commandId) {
    case cmd::ID_FILE_OPEN:
      OnFileOpen();
      return;
    case cmd::ID_FILE_SAVE:
      OnFileSave();
      return;
    case cmd::ID_FILE_SAVE_AS:
      OnFileSaveAs();
      return;
    case cmd::ID_DEVICE_READ:
    case ids::kReadButton:
      OnBnClickedRead();
      return;
    case cmd::ID_DEVICE_UPDATE:
    case ids::kUpdateButton:
      OnBnClickedUpdate();
      return;
    case cmd::ID_APP_EXIT:
      // Exit closes the window the way the close box does.
      OnCancel();
      return;
    default:
      return;  // ID_HELP: the program has no help of its own
  }
}

}  // namespace brisa::editor
