#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "board/config_record.h"
#include "board/device.h"
#include "board/handle_closer.h"
#include "board/input_state.h"
#include "platform/doorbell.h"
#include "platform/gatt.h"
#include "platform/hid_device.h"

namespace brisa::board {

// How the last write request ended. The write worker stores it before it clears writeRequest,
// so whoever sees the request cleared reads the outcome of that write.
enum class WriteOutcome : std::uint32_t {
  None,      // no write has ended since the request was raised
  Accepted,  // the board accepted all four reports
  Refused,   // a report was still refused after its retries, or the board gave no answer
  Dropped,   // selection closed the board it was meant for: nothing was written
};

// What the user interface and the board's read and write workers share. Each request flag is
// 0 or 1. Who raises, clears and reads what ("window": the user interface thread; selection
// runs there and works under boardLock):
//
//   item                 raised / set by              cleared by                 read by
//   readRequest          Read, selection once the     read worker, once the      read worker
//                        board is in place; Update    record holds its answers
//                        for a read it took back      (left raised if abandoned)
//   readDone             read worker, with the        tick, once shown; Update   tick
//                        record, under boardLock      (a read not shown yet)
//   writeRequest         Update, under boardLock      write worker (outcome      both workers;
//   window
//                                                     first); selection          (Exit, Update's
//                                                     looks)
//   rebootRequest        Reboot                       write worker once sent;    write worker
//                                                     selection
//   writeOutcome         write worker; selection      Update (to None)           window
//                        (Dropped)
//   outReports, Version  Update, under boardLock      -                          write worker,
//   copied
//                                                                                under boardLock
//   selection            selection, under boardLock   -                          workers: a pass
//   taken
//                                                                                under another
//                                                                                number is
//                                                                                abandoned
//   configReadFromBoard  read worker                  selection                  tick (Update
//   allowed) inputState,          read worker, under           selection                  tick,
//   under inputLock
//     inputReceived      inputLock
//   hDevice, pDevice,    selection, under boardLock   selection                  workers, copied
//   under
//     hidCaps                                                                    boardLock
//
// The upgrade request is the download's own (dfu::DfuState::upgradeRequest).
struct BoardState {
  std::atomic<std::uint32_t> readRequest{0};
  std::atomic<std::uint32_t> readDone{0};
  std::atomic<std::uint32_t> writeRequest{0};
  std::atomic<std::uint32_t> rebootRequest{0};
  std::atomic<WriteOutcome> writeOutcome{WriteOutcome::None};
  // Rung with every flag raised for a worker (and by selection), so an idle worker sleeps
  // until there is work instead of looking every period.
  platform::Doorbell readWake;
  platform::Doorbell writeWake;

  // 1 when a Bluetooth board's feature reports carry the report id in byte 0, so its payload
  // starts at byte 1 as a wired board's does (always so on Linux).
  std::uint32_t isWin10OrLater = 0;

  ConfigRecord configRecord;   // the configuration last read, opened or saved
  OutgoingReports outReports;  // built from the pages, sent by the write worker
  // Counts the sets of reports given to the write worker: a write pass that began with an
  // older set leaves the request raised for the newer one.
  std::uint64_t outReportsVersion = 0;
  std::unique_ptr<Device> pDevice;  // the selected board's model; null while none is selected

  // The selected board's objects, replaced by selection. A worker takes its own share of the
  // handle (with the capabilities and the selection number) under boardLock and talks to the
  // board outside it, so the window never waits for a board call in progress; the old handle
  // closes when the last share goes.
  std::shared_ptr<platform::HidDevice> hDevice;  // the open HID interface; null: none open
  platform::HidCaps hidCaps;                     // its report lengths, as last read
  // Counts selections. A worker whose share was taken under another number abandons its pass,
  // so nothing of it reaches the next board.
  std::atomic<std::uint64_t> selection{0};
  // Where selection leaves the handles it replaces.
  HandleCloser closer;
  // 1 once a read of the open board has brought at least one configuration report: until
  // then the record may hold another board's configuration.
  std::atomic<std::uint32_t> configReadFromBoard{0};

  // Payload of the newest input report 1 of the selected board, and whether one has come since
  // it was selected. Their own lock, so the 5 ms tick never waits for a worker.
  InputStateReport inputState{};
  bool inputReceived = false;
  std::mutex inputLock;

  // Kept by the user interface thread alone: the Battery Service left open by the last battery
  // read, and the bootloader-class device count the timer saw last.
  std::unique_ptr<platform::GattService> hBatteryService;
  std::uint8_t dfuDeviceCount = 0;

  // Guards the board objects above, the record and the outgoing reports. Held only to swap or
  // copy them, never across a board call, and never by a holder that calls into the window.
  std::mutex boardLock;
};

// Raises a worker's flag and wakes the worker.
inline void Raise(std::atomic<std::uint32_t>& flag, platform::Doorbell& wake) {
  flag.store(1, std::memory_order_release);
  wake.ring();
}

}  // namespace brisa::board
