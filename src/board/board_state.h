#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

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
// clang-format off
//   item                raised / set by                cleared by                    read by
//   readRequest         Read, selection once the       read worker, once the record  read worker
//     (+ readAsked)     board is in place, Update for  holds its answers, unless it
//                       a read it took back: all       was asked again meanwhile
//                       under boardLock                (left raised if abandoned)
//   readDone            read worker, with the record,  tick, before it shows the     tick
//                       under boardLock                record; Update (a read not
//                                                      shown yet); selection
//   writeRequest        Update, under boardLock, with  write worker, outcome first,  both workers;
//     (+ outReports,    the reports and a new version  unless newer reports came;    window (Exit,
//     Version)                                         selection                     Update)
//   rebootRequest       Reboot, under boardLock        write worker once sent,       write worker
//     (+ rebootAsked)                                  unless asked again meanwhile;
//                                                      selection
//   writeOutcome        write worker; selection        Update (to None)              window
//                       (Dropped)
//   selection           selection, under boardLock     -                             workers: a
//                                                                                    pass under
//                                                                                    another number
//                                                                                    ends
//   identityRead        selection, read worker: with   selection                     tick
//                       report 3, under boardLock
//   configReadFromBoard read worker                    selection                     tick (Update)
//   inputState,         read worker, under inputLock   selection                     tick
//     inputReceived
//   hDevice, pDevice,   selection (pDevice also the    selection                     workers,
//     hidCaps           tick, for a board identified                                 copied under
//                       late; hidCaps also a worker)                                 boardLock
// clang-format on
//
// The upgrade request is the download's own (dfu::DfuState::upgradeRequest).
struct BoardState {
  std::atomic<std::uint32_t> readRequest{0};
  std::atomic<std::uint32_t> readDone{0};
  std::atomic<std::uint32_t> writeRequest{0};
  std::atomic<std::uint32_t> rebootRequest{0};
  // How often a read and a reboot have been asked for (see AskRead, AskReboot): a pass that
  // ends clears its request only when it was not asked for again while the pass ran.
  std::uint64_t readAsked = 0;
  std::uint64_t rebootAsked = 0;
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
  // A board opened for reading and writing whose report 3 did not come while selection waited
  // has no model until a read brings it (IdentifyFromRead): nothing of another board's settings
  // may decide what it is. The Bluetooth mark of its entry; window thread only.
  std::optional<std::uint32_t> modelAwaited;
  // 1 once the settings block holds report 3 read from the selected board.
  std::atomic<std::uint32_t> identityRead{0};

  // The selected board's objects, replaced by selection. A worker takes its own share of the
  // handle (with the capabilities and the selection number) under boardLock and talks to the
  // board outside it, so the window never waits for a board call in progress; the old handle
  // closes when the last share goes.
  std::shared_ptr<platform::HidDevice> hDevice;  // the open HID interface; null: none open
  // Its own report lengths; absent until they have been read from it (a worker asks when
  // selection did not get them in time).
  std::optional<platform::HidCaps> hidCaps;
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
