#include "board/identification.h"

#include <array>
#include <utility>

namespace brisa::board {

bool IsBootloaderPath(std::string_view path) {
  return path.find("USB\\VID_0483&PID_DF11") != std::string_view::npos;
}

bool HasBluetoothMark(std::string_view itemText) {
  return itemText.find("Bluetooth") != std::string_view::npos;
}

std::uint32_t ModelKeyOf(const ConfigBlock& settings) {
  constexpr std::size_t kKeyReportByte = 9;
  return ReadLong(settings, kKeyReportByte) & 0xFFFFFF00u;
}

ModelId ModelFromKey(std::uint32_t modelKey) {
  static constexpr std::array<std::pair<std::uint32_t, ModelId>, 8> kKeys{{
      {0xF0FFFF00u, ModelId::Plover},
      {0xF1FFFF00u, ModelId::Heron},
      {0xF2FFFF00u, ModelId::Egret},
      {0xF3FFFF00u, ModelId::Sparrow},
      {0xF4FFFF00u, ModelId::Kestrel},
      {0xF5FFFF00u, ModelId::Finch},
      {0xFEFFFF00u, ModelId::Linnet},
      {0xFFFFFF00u, ModelId::Osprey},
  }};
  for (const auto& [key, model] : kKeys) {
    if (key == modelKey) return model;
  }
  return ModelId::Merlin;
}

ModelId IdentifyModel(const IdentificationFacts& facts) {
  if (IsBootloaderPath(facts.path)) return ModelId::DFU;
  if (!facts.openedForReadWrite) return ModelId::Keyboard;
  return ModelFromKey(ModelKeyOf(facts.settings));
}

std::unique_ptr<Device> IdentifyDevice(const IdentificationFacts& facts) {
  return CreateDevice(IdentifyModel(facts), HasBluetoothMark(facts.itemText));
}

}  // namespace brisa::board
