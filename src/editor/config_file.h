#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "board/config_record.h"

namespace brisa::editor {

// A configuration file: version byte 1, the four blocks in report order, an XOR check byte over
// the blocks, and the model id of the board connected at save time.
inline constexpr std::size_t kConfigFileSize = 82;
inline constexpr std::size_t kConfigFileCheckedPart = 78;  // version, blocks and check byte
inline constexpr std::uint8_t kConfigFileVersion = 1;
// The model id stored when no board was connected.
inline constexpr std::uint32_t kNoBoardModelId = 0xFFFFFFFFu;

using ConfigFileBytes = std::array<std::uint8_t, kConfigFileSize>;

struct ConfigFile {
  board::ConfigRecord record;
  std::uint32_t modelId = kNoBoardModelId;
};

// XOR of the 76 block bytes, starting from 0.
std::uint8_t ConfigCheckByte(const board::ConfigRecord& record);

ConfigFileBytes EncodeConfigFile(const board::ConfigRecord& record, std::uint32_t modelId);

// Why a file was refused, in the order the checks are made.
enum class ConfigFileStatus {
  Ok,
  TooShort,        // fewer than 78 bytes
  BadVersion,      // byte 0 is not 1
  BadCheckByte,    // byte 77 is not the XOR of bytes 1..76
  MissingModelId,  // 78 to 81 bytes
};

struct DecodedConfigFile {
  ConfigFileStatus status = ConfigFileStatus::TooShort;
  ConfigFile file;  // meaningful only when status is Ok
};

// Checks and decodes a file's bytes; bytes past 82 are ignored.
DecodedConfigFile DecodeConfigFile(std::span<const std::uint8_t> bytes);

}  // namespace brisa::editor
