#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "board/board_state.h"
#include "board/hid_arrival.h"
#include "dfu/dfu_state.h"
#include "platform/clock.h"
#include "platform/hid_device.h"

namespace brisa::board {

// "0x%4X" with every blank made "0": 1 reads 0x0001, five digits stay five.
std::string IdentityText(std::uint32_t value);

// The revision in a bootloader's hardware id ("...&REV_2200"), 0 when the id has none.
std::uint32_t BootloaderRevision(std::string_view path);

// How long selection waits for a HID interface to open and answer. A board whose report 3 has
// not come by then is identified by the first read that brings it; one that has not even
// opened is left unopened.
inline constexpr std::uint32_t kOpenWaitMs = 1000;

// How the HID interface of a selected entry opened.
enum class HidOpenKind {
  ReadWrite,  // a board: identified by its report 3
  // A board whose report 3 did not come in time or did not read: open, its read asked for, and
  // without a model until that read brings report 3 (see IdentifyFromRead).
  Unidentified,
  QueryOnly,     // a keyboard collection, open for queries
  None,          // a keyboard collection that did not open at all
  AccessDenied,  // a board this user may not open: nothing is open, no model is made
  TimedOut,      // the interface did not open within kOpenWaitMs: likewise
};

struct HidOpening {
  HidOpenKind kind = HidOpenKind::None;
  std::optional<platform::HidAttributes> attributes;  // when open and they read
  bool writeDropped = false;  // a write meant for the board closed here was dropped
};

// Replaces the board objects with the HID interface at `path`: under the board lock the model
// goes, a pending write and a pending reboot are dropped and the previous interface is let go
// of (it closes off this thread); the new one opens and is identified within kOpenWaitMs; a
// read is requested last, once everything is in place.
HidOpening OpenHidBoard(BoardState& state, platform::Hid* hid, const std::string& path,
                        bool bluetoothMark);

// Gives an Unidentified board its model once a read has brought its report 3; true when it
// did so now.
bool IdentifyFromRead(BoardState& state);

struct BootloaderOpening {
  bool writeDropped = false;
  bool closedPrevious = false;  // a bootloader was open before and has been released
  bool probed = false;          // the bootloader opened and its interfaces were probed
};

// Makes the bootloader the selected device: the model becomes DFU, a pending write and reboot
// are dropped and the HID interface is let go of. Unless the download owns them (`keepDfuObjects`),
// the previous bootloader is released and the first bootloader the USB library lists is opened and
// probed, its requests within the probe's time budget on `clock`.
BootloaderOpening OpenBootloader(BoardState& state, dfu::DfuState& dfu, bool keepDfuObjects,
                                 platform::Clock& clock);

// Releases the bootloader objects, then opens and probes the first bootloader the USB library
// lists (`writeDropped` stays false).
BootloaderOpening ReopenBootloader(dfu::DfuState& dfu, platform::Clock& clock);

// Closes the bootloader and releases its interface list; true when one was open.
bool ReleaseBootloader(dfu::DfuState& dfu);

}  // namespace brisa::board
