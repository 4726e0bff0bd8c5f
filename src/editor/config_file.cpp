#include "editor/config_file.h"

#include <algorithm>

namespace brisa::editor {
namespace {

// File offsets of the blocks buttonTypes, settings, axisKeyA and axisKeyB.
constexpr std::array<std::size_t, 4> kBlockOffsets = {1, 20, 39, 58};
constexpr std::size_t kCheckByteOffset = 77;
constexpr std::size_t kModelIdOffset = 78;

std::array<const board::ConfigBlock*, 4> Blocks(const board::ConfigRecord& r) {
  return {&r.buttonTypes, &r.settings, &r.axisKeyA, &r.axisKeyB};
}
std::array<board::ConfigBlock*, 4> Blocks(board::ConfigRecord& r) {
  return {&r.buttonTypes, &r.settings, &r.axisKeyA, &r.axisKeyB};
}

}  // namespace

std::uint8_t ConfigCheckByte(const board::ConfigRecord& record) {
  std::uint8_t check = 0;
  for (const board::ConfigBlock* block : Blocks(record)) {
    for (std::uint8_t b : *block) check ^= b;
  }
  return check;
}

ConfigFileBytes EncodeConfigFile(const board::ConfigRecord& record, std::uint32_t modelId) {
  ConfigFileBytes bytes{};
  bytes[0] = kConfigFileVersion;
  const auto blocks = Blocks(record);
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    std::copy(blocks[i]->begin(), blocks[i]->end(), bytes.begin() + kBlockOffsets[i]);
  }
  bytes[kCheckByteOffset] = ConfigCheckByte(record);
  for (std::size_t i = 0; i < 4; ++i) {
    bytes[kModelIdOffset + i] = static_cast<std::uint8_t>(modelId >> (8 * i));
  }
  return bytes;
}

DecodedConfigFile DecodeConfigFile(std::span<const std::uint8_t> bytes) {
  DecodedConfigFile result;
  if (bytes.size() < kConfigFileCheckedPart) {
    result.status = ConfigFileStatus::TooShort;
    return result;
  }
  if (bytes[0] != kConfigFileVersion) {
    result.status = ConfigFileStatus::BadVersion;
    return result;
  }
  board::ConfigRecord record;
  const auto blocks = Blocks(record);
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    std::copy_n(bytes.begin() + kBlockOffsets[i], blocks[i]->size(), blocks[i]->begin());
  }
  if (ConfigCheckByte(record) != bytes[kCheckByteOffset]) {
    result.status = ConfigFileStatus::BadCheckByte;
    return result;
  }
  if (bytes.size() < kConfigFileSize) {
    result.status = ConfigFileStatus::MissingModelId;
    return result;
  }
  std::uint32_t modelId = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    modelId |= static_cast<std::uint32_t>(bytes[kModelIdOffset + i]) << (8 * i);
  }
  result.status = ConfigFileStatus::Ok;
  result.file = ConfigFile{record, modelId};
  return result;
}

}  // namespace brisa::editor
