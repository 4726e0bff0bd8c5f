#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "board/config_record.h"
#include "board/device_list.h"
#include "editor/app_context.h"
#include "editor/config_pages.h"
#include "editor/environment.h"
#include "editor/my_tab_ctrl.h"
#include "ui/dialog_events.h"
#include "ui/window.h"

namespace brisa::editor {

// The application's one window: the device selector, the identity fields, Read / Update /
// Set defaults, the tab control with the five pages and the menu. It publishes itself in the
// context for the pages and the workers.
class CBrisaDlg final : public ui::DialogEvents {
 public:
  CBrisaDlg(AppContext& context, Environment& environment);
  ~CBrisaDlg() override;
  CBrisaDlg(const CBrisaDlg&) = delete;
  CBrisaDlg& operator=(const CBrisaDlg&) = delete;

  // Creates the window, initialises it and runs it modally; the window is gone on return.
  int DoModal();
  // What DoModal does before its modal run: the window is created, initialised and shown.
  void Create();

  bool OnInitDialog();
  // The closing rule: refused while a configuration write or a firmware upgrade is pending
  // and a running worker will serve it.
  void OnCancel();
  void OnOK() {}

  void OnBnClickedRead();
  void OnBnClickedUpdate();
  void OnBnClickedSetDefaults();
  void OnCbnSelendokDevice();
  void OnFileOpen();
  void OnFileSave();
  void OnFileSaveAs();
  void OnTimer(int timerId);
  // HID interfaces arrived or left since the last look: rebuild the list.
  void OnDeviceChange();

  // The four configuration pages, as the reports and the page fill address them.
  ConfigPages Pages() const;
  // The four outgoing reports built from the pages for the selected board's model; the
  // caller decides when they replace the ones the write worker sends.
  board::OutgoingReports CollectConfigReports() const;
  // When an edit that the reports take as a number holds none: says which, shows it with the
  // focus, and answers true.
  bool RefuseUnconvertedText();
  // Called on every timer tick: once the write that Update asked for has ended, tells the user
  // how it ended.
  void ReportOwedWriteOutcome();

  // Brings the menu items that have an update rule up to date.
  void OnKickIdle();
  // The four configuration commands are enabled exactly while "Update" is.
  bool OnUpdateConfigCommand() const;
  // The update rule's answer for a command, or nothing for a command without one.
  std::optional<bool> UpdateCommandState(int commandId) const;

  // Data exchange between the identity strings and their edits: true reads the controls.
  void UpdateData(bool saveAndValidate);

  ui::Window& window() const;
  ui::Window& page(int index) const { return m_tabCtrl.page(index).window(); }

  // ui::DialogEvents
  void onNotify(int controlId, ui::Notification code) override;
  void onOk() override { OnOK(); }
  void onCancel() override { OnCancel(); }
  void onCommand(int commandId, ui::CommandSource source) override;
  void onTimer(int timerId) override { OnTimer(timerId); }
  void onMenuOpening() override { OnKickIdle(); }

  CMyTabCtrl m_tabCtrl;
  int m_hIcon;
  std::vector<board::DeviceEntry> m_devices;  // entry i is item i of the device selector
  std::string m_vendorId = "0xFFFF";
  std::string m_productId = "0xFFFF";
  std::string m_firmwareVersion = "0xFFFF";
  std::string m_batteryLevel = "N/A";

 private:
  // Start-up steps that belong to the board link and the firmware upgrade.
  void QueryReportOffset();
  void InitUsbContext();
  void RegisterDeviceNotifications();
  void RefreshDeviceList();
  void CreateWorkerThreads();
  void ShowPicturesNotReceived();
  void RunCommand(int commandId);
  // The message for the write that has just ended, if it has one.
  void ShowWriteOutcome();
  platform::Clock& Clock() const;
  // Selection's two branches; messages for the user are collected and shown at the end.
  void SelectBootloader(const board::DeviceEntry& entry, bool keepDfuObjects,
                        std::vector<std::string>& messages);
  void SelectHidBoard(const board::DeviceEntry& entry, bool bluetoothMark, bool keepDfuObjects,
                      std::vector<std::string>& messages);
  void ReadBatteryLevel(platform::NodeId devInst, std::vector<std::string>& messages);
  // "Upgrade" is offered once a bootloader with a DFU interface is open and an image chosen.
  void EnableUpgradeIfReady();
  // What a selection made during a download left to it, once the download has ended.
  void CompleteDeferredSelection();
  // Enables what a board identified after its selection has.
  void ShowIdentifiedBoard();
  // What the previous board showed: its identity and its live input.
  void ForgetShownBoard();

  AppContext& m_context;
  Environment& m_environment;
  ui::Window* m_window = nullptr;
  // Update has asked for a write whose outcome the timer tick is to report.
  bool m_writeOutcomeOwed = false;

  // Board link: set from any thread by the HID notification, taken by the timer tick.
  std::atomic<bool> m_hidChangePending{false};
  std::unique_ptr<platform::Subscription> m_deviceNotification;
  // Set while a selection runs, so a tick from inside one of its message boxes starts no
  // rebuild or selection of its own.
  int m_deviceWork = 0;
  // The last selection left the bootloader objects to a running download: its part on them is
  // done when the download has ended.
  bool m_dfuSelectionDeferred = false;
  // Entries whose permission problem the user has been told of since last picking them.
  std::set<std::string> m_permissionToldFor;
  // What the tick last wrote to "Read" and to the upgrade bar, which nothing else writes but a
  // download: the tick leaves them alone while they show it.
  std::optional<bool> m_readShown;
  bool m_barAtZero = false;
};

// The main dialog's timer.
inline constexpr int kTimerId = 1;
inline constexpr int kTimerPeriodMs = 5;

}  // namespace brisa::editor
