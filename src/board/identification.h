#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "board/config_record.h"
#include "board/device.h"

namespace brisa::board {

// A bootloader is recognised by its path alone, before anything is opened.
bool IsBootloaderPath(std::string_view path);

// Entries reached through a Bluetooth radio carry that word in their selector text.
bool HasBluetoothMark(std::string_view itemText);

// The model key: settings bytes 8..11 (report 3 bytes 9..12), little-endian, low byte cleared.
std::uint32_t ModelKeyOf(const ConfigBlock& settings);

// Wired models are told apart by their key; anything else is the Bluetooth LE board.
ModelId ModelFromKey(std::uint32_t modelKey);

// What selection knows about an entry when it decides the model.
struct IdentificationFacts {
  std::string_view path;
  std::string_view itemText;
  // False when the HID interface refused the read/write open (a keyboard collection).
  bool openedForReadWrite = true;
  // The settings block as it stands after selection's read of report 3 (kept if that failed).
  ConfigBlock settings{};
};

ModelId IdentifyModel(const IdentificationFacts& facts);

// The model object for an entry, carrying its Bluetooth mark where the model keeps one.
std::unique_ptr<Device> IdentifyDevice(const IdentificationFacts& facts);

}  // namespace brisa::board
