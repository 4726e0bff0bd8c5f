#include "editor/config_file.h"

#include <gtest/gtest.h>

#include <vector>

namespace brisa::editor {
namespace {

board::ConfigRecord SampleRecord() {
  board::ConfigRecord record;
  for (std::size_t i = 0; i < board::kConfigBlockSize; ++i) {
    record.buttonTypes[i] = static_cast<std::uint8_t>(0x10 + i);
    record.settings[i] = static_cast<std::uint8_t>(0x40 + 3 * i);
    record.axisKeyA[i] = static_cast<std::uint8_t>(0x80 + 5 * i);
    record.axisKeyB[i] = static_cast<std::uint8_t>(0xC0 + 7 * i);
  }
  return record;
}

std::vector<std::uint8_t> Bytes(const ConfigFileBytes& file) {
  return {file.begin(), file.end()};
}

TEST(ConfigFileFormat, CheckByteCoversBlocksOnly) {
  board::ConfigRecord record;
  record.buttonTypes[0] = 0x11;  // file offset 1
  record.settings[0] = 0x22;     // file offset 20
  EXPECT_EQ(ConfigCheckByte(record), 0x33);
  const ConfigFileBytes file = EncodeConfigFile(record, 7);
  EXPECT_EQ(file[77], 0x33);
  // Neither the version nor the model id enters the check byte.
  EXPECT_EQ(EncodeConfigFile(record, kNoBoardModelId)[77], 0x33);
}

TEST(ConfigFileFormat, LayoutOfSavedFile) {
  const board::ConfigRecord record = SampleRecord();
  const ConfigFileBytes file = EncodeConfigFile(record, 2);
  EXPECT_EQ(file[0], 1);
  EXPECT_EQ(file[1], record.buttonTypes[0]);
  EXPECT_EQ(file[19], record.buttonTypes[18]);
  EXPECT_EQ(file[20], record.settings[0]);
  // Report 3 bytes 9..12 (the PIN word) are file offsets 28..31.
  EXPECT_EQ(file[28], record.settings[8]);
  EXPECT_EQ(file[31], record.settings[11]);
  EXPECT_EQ(file[39], record.axisKeyA[0]);  // report 4 byte 1
  EXPECT_EQ(file[58], record.axisKeyB[0]);
  EXPECT_EQ(file[76], record.axisKeyB[18]);
  EXPECT_EQ(file[77], ConfigCheckByte(record));
  EXPECT_EQ((std::vector<std::uint8_t>{file[78], file[79], file[80], file[81]}),
            (std::vector<std::uint8_t>{0x02, 0x00, 0x00, 0x00}));
  const ConfigFileBytes noBoard = EncodeConfigFile(record, kNoBoardModelId);
  EXPECT_EQ((std::vector<std::uint8_t>{noBoard[78], noBoard[79], noBoard[80], noBoard[81]}),
            (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(ConfigFileFormat, RoundTripKeepsRecordAndModel) {
  for (std::uint32_t model : {1u, 2u, 11u, 0x12345678u, kNoBoardModelId}) {
    const DecodedConfigFile decoded =
        DecodeConfigFile(Bytes(EncodeConfigFile(SampleRecord(), model)));
    ASSERT_EQ(decoded.status, ConfigFileStatus::Ok);
    EXPECT_EQ(decoded.file.record, SampleRecord());
    EXPECT_EQ(decoded.file.modelId, model);
  }
}

struct DecodeCase {
  const char* what;
  std::vector<std::uint8_t> bytes;
  ConfigFileStatus expected;
};

std::vector<DecodeCase> DecodeCases() {
  const std::vector<std::uint8_t> good = Bytes(EncodeConfigFile(SampleRecord(), 2));
  auto truncated = [&](std::size_t n) {
    return std::vector<std::uint8_t>(good.begin(), good.begin() + n);
  };
  auto changed = [&](std::size_t offset, std::uint8_t value) {
    std::vector<std::uint8_t> bytes = good;
    bytes[offset] = value;
    return bytes;
  };
  std::vector<std::uint8_t> longer = good;
  longer.insert(longer.end(), {0xDE, 0xAD, 0xBE, 0xEF});
  return {
      {"exactly 82 bytes", good, ConfigFileStatus::Ok},
      {"longer file", longer, ConfigFileStatus::Ok},
      {"81 bytes", truncated(81), ConfigFileStatus::MissingModelId},
      {"78 bytes", truncated(78), ConfigFileStatus::MissingModelId},
      {"77 bytes", truncated(77), ConfigFileStatus::TooShort},
      {"empty", {}, ConfigFileStatus::TooShort},
      {"version 0", changed(0, 0), ConfigFileStatus::BadVersion},
      {"version 2", changed(0, 2), ConfigFileStatus::BadVersion},
      {"block byte changed", changed(45, static_cast<std::uint8_t>(good[45] ^ 0x01)),
       ConfigFileStatus::BadCheckByte},
      {"check byte changed", changed(77, static_cast<std::uint8_t>(good[77] + 1)),
       ConfigFileStatus::BadCheckByte},
      {"model id changed", changed(78, 10), ConfigFileStatus::Ok},
      // A short file with a wrong version is refused for its length first.
      {"short, bad version", std::vector<std::uint8_t>(10, 2), ConfigFileStatus::TooShort},
      // A bad check byte is found before the missing model id.
      {"80 bytes, bad check",
       [&] {
         auto b = truncated(80);
         b[77] ^= 0xFF;
         return b;
       }(),
       ConfigFileStatus::BadCheckByte},
  };
}

TEST(ConfigFileFormat, DecodeAcceptsAndRejectsInOrder) {
  for (const DecodeCase& c : DecodeCases()) {
    EXPECT_EQ(DecodeConfigFile(c.bytes).status, c.expected) << c.what;
  }
}

TEST(ConfigFileFormat, ChangedModelIdIsTakenAsIs) {
  std::vector<std::uint8_t> bytes = Bytes(EncodeConfigFile(SampleRecord(), 2));
  bytes[78] = 10;
  const DecodedConfigFile decoded = DecodeConfigFile(bytes);
  ASSERT_EQ(decoded.status, ConfigFileStatus::Ok);
  EXPECT_EQ(decoded.file.modelId, 10u);
  EXPECT_EQ(decoded.file.record, SampleRecord());
}

}  // namespace
}  // namespace brisa::editor
