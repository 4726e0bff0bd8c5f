#pragma once

#include "board/device.h"

namespace brisa::board {

template <ModelId Id, std::uint8_t Buttons, std::uint8_t Axes>
class FixedModel : public Device {
 public:
  std::uint8_t GetButtonCount() const override { return Buttons; }
  std::uint8_t GetAxisCount() const override { return Axes; }
  std::uint8_t GetModelId() const override { return ToNumber(Id); }
};

// Models whose connection may be Bluetooth remember the mark of the entry they came from.
template <ModelId Id, std::uint8_t Buttons, std::uint8_t Axes>
class BluetoothCapableModel : public FixedModel<Id, Buttons, Axes> {
 public:
  explicit BluetoothCapableModel(bool bluetoothMark) : m_isBluetooth(bluetoothMark ? 1u : 0u) {}
  std::uint32_t IsBluetooth() const override { return m_isBluetooth; }

 private:
  const std::uint32_t m_isBluetooth;
};

class Merlin final : public BluetoothCapableModel<ModelId::Merlin, 32, 8> {
  using BluetoothCapableModel::BluetoothCapableModel;
};
class Osprey final : public FixedModel<ModelId::Osprey, 36, 8> {};
class Linnet final : public FixedModel<ModelId::Linnet, 36, 0> {};
class Plover final : public FixedModel<ModelId::Plover, 30, 5> {};
class Egret final : public FixedModel<ModelId::Egret, 0, 3> {};
class Heron final : public FixedModel<ModelId::Heron, 25, 5> {};
class Keyboard final : public BluetoothCapableModel<ModelId::Keyboard, 36, 0> {
  using BluetoothCapableModel::BluetoothCapableModel;
};
class Sparrow final : public FixedModel<ModelId::Sparrow, 8, 8> {};
class Kestrel final : public FixedModel<ModelId::Kestrel, 32, 8> {};
class Finch final : public FixedModel<ModelId::Finch, 32, 0> {};
class DFU final : public FixedModel<ModelId::DFU, 0, 0> {};

}  // namespace brisa::board
