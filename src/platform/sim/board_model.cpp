#include "platform/sim/board_model.h"

namespace brisa::platform::sim {

const FirmwareTraits& traitsOf(BoardModel model) {
  static const FirmwareTraits kMerlin{"Merlin", 32, 8, false, std::nullopt, 0x0001};
  static const FirmwareTraits kOsprey{"Osprey", 36, 8, true, 0xFF, 0x0002};
  static const FirmwareTraits kLinnet{"Linnet", 36, 0, true, 0xFE, 0x0003};
  static const FirmwareTraits kPlover{"Plover", 30, 5, false, 0xF0, 0x0004};
  static const FirmwareTraits kEgret{"Egret", 0, 3, false, 0xF2, 0x0005};
  static const FirmwareTraits kHeron{"Heron", 25, 5, false, 0xF1, 0x0006};
  static const FirmwareTraits kKeyboard{"Keyboard", 36, 0, false, std::nullopt, 0x0007};
  static const FirmwareTraits kSparrow{"Sparrow", 8, 8, false, 0xF3, 0x0008};
  static const FirmwareTraits kKestrel{"Kestrel", 32, 8, false, 0xF4, 0x0009};
  static const FirmwareTraits kFinch{"Finch", 32, 0, false, 0xF5, 0x000A};
  switch (model) {
    case BoardModel::Merlin:
      return kMerlin;
    case BoardModel::Osprey:
      return kOsprey;
    case BoardModel::Linnet:
      return kLinnet;
    case BoardModel::Plover:
      return kPlover;
    case BoardModel::Egret:
      return kEgret;
    case BoardModel::Heron:
      return kHeron;
    case BoardModel::Keyboard:
      return kKeyboard;
    case BoardModel::Sparrow:
      return kSparrow;
    case BoardModel::Kestrel:
      return kKestrel;
    case BoardModel::Finch:
      return kFinch;
  }
  return kMerlin;
}

std::size_t inputPayloadSize(BoardModel model) {
  const FirmwareTraits& t = traitsOf(model);
  const std::size_t buttonBytes = t.buttons == 0 ? 0 : (t.buttons <= 8 ? 1 : 4);
  return 2u * t.axes + buttonBytes + (t.hat ? 1 : 0);
}

}  // namespace brisa::platform::sim
