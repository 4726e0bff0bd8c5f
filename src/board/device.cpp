#include "board/device.h"

#include "board/models.h"

namespace brisa::board {

std::unique_ptr<Device> CreateDevice(ModelId model, bool bluetoothMark) {
  switch (model) {
    case ModelId::Merlin:
      return std::make_unique<Merlin>(bluetoothMark);
    case ModelId::Osprey:
      return std::make_unique<Osprey>();
    case ModelId::Linnet:
      return std::make_unique<Linnet>();
    case ModelId::Plover:
      return std::make_unique<Plover>();
    case ModelId::Egret:
      return std::make_unique<Egret>();
    case ModelId::Heron:
      return std::make_unique<Heron>();
    case ModelId::Keyboard:
      return std::make_unique<Keyboard>(bluetoothMark);
    case ModelId::Sparrow:
      return std::make_unique<Sparrow>();
    case ModelId::Kestrel:
      return std::make_unique<Kestrel>();
    case ModelId::Finch:
      return std::make_unique<Finch>();
    case ModelId::DFU:
      return std::make_unique<DFU>();
  }
  // Unreachable for a valid ModelId; an unknown board is treated as the default model.
  return std::make_unique<Merlin>(bluetoothMark);
}

}  // namespace brisa::board
