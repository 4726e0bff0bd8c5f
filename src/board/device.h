#pragma once

#include <cstdint>
#include <memory>

#include "board/model_id.h"

namespace brisa::board {

// The selected board's model: fixed answers that lay out reports, pages and files.
class Device {
 public:
  virtual std::uint8_t GetButtonCount() const = 0;
  virtual std::uint8_t GetAxisCount() const = 0;
  virtual std::uint8_t GetModelId() const = 0;
  virtual std::uint32_t IsBluetooth() const { return 0; }
  virtual ~Device() = default;

  ModelId GetModel() const { return static_cast<ModelId>(GetModelId()); }
};

// Creates the model object; only Merlin and Keyboard keep the Bluetooth mark.
std::unique_ptr<Device> CreateDevice(ModelId model, bool bluetoothMark);

}  // namespace brisa::board
