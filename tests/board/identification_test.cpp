#include "board/identification.h"

#include <gtest/gtest.h>

#include <string>

namespace brisa::board {
namespace {

ConfigBlock SettingsWithReportBytes9To12(std::uint8_t b9, std::uint8_t b10, std::uint8_t b11,
                                         std::uint8_t b12) {
  ConfigBlock settings{};
  settings[8] = b9;  // block byte k is report byte k + 1
  settings[9] = b10;
  settings[10] = b11;
  settings[11] = b12;
  return settings;
}

struct KeyCase {
  std::uint8_t b9, b10, b11, b12;
  ModelId expected;
};

class ModelKeyTest : public testing::TestWithParam<KeyCase> {};

TEST_P(ModelKeyTest, SettingsReportSelectsModel) {
  const KeyCase& c = GetParam();
  IdentificationFacts facts;
  facts.path = "\\\\?\\HID#VID_1209&PID_0001#7&1&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}";
  facts.settings = SettingsWithReportBytes9To12(c.b9, c.b10, c.b11, c.b12);
  EXPECT_EQ(IdentifyModel(facts), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ModelKeyTest,
    testing::Values(KeyCase{0x00, 0xFF, 0xFF, 0xF0, ModelId::Plover},
                    KeyCase{0x00, 0xFF, 0xFF, 0xF1, ModelId::Heron},
                    KeyCase{0x00, 0xFF, 0xFF, 0xF2, ModelId::Egret},
                    KeyCase{0x00, 0xFF, 0xFF, 0xF3, ModelId::Sparrow},
                    KeyCase{0x00, 0xFF, 0xFF, 0xF4, ModelId::Kestrel},
                    KeyCase{0x5A, 0xFF, 0xFF, 0xF4, ModelId::Kestrel},  // byte 9 is ignored
                    KeyCase{0x00, 0xFF, 0xFF, 0xF5, ModelId::Finch},
                    KeyCase{0x00, 0xFF, 0xFF, 0xFE, ModelId::Linnet},
                    KeyCase{0xFF, 0xFF, 0xFF, 0xFF, ModelId::Osprey},
                    KeyCase{0x00, 0xFF, 0xFE, 0xF4, ModelId::Merlin},  // byte 11 not 0xFF
                    KeyCase{0x00, 0xFE, 0xFF, 0xF4, ModelId::Merlin},  // byte 10 not 0xFF
                    KeyCase{0x00, 0xFF, 0xFF, 0xF6, ModelId::Merlin},
                    KeyCase{0x00, 0xFF, 0xFF, 0xF9, ModelId::Merlin},
                    KeyCase{0x00, 0xFF, 0xFF, 0xFD, ModelId::Merlin},
                    KeyCase{0x00, 0x00, 0x00, 0x00, ModelId::Merlin}));

TEST(Identification, BluetoothMarkKeptOnlyByMerlinAndKeyboard) {
  IdentificationFacts facts;
  facts.itemText = "Bluetooth LE board (Bluetooth)";
  facts.settings = SettingsWithReportBytes9To12(0x00, 0xFF, 0xFF, 0xF4);
  auto wired = IdentifyDevice(facts);
  EXPECT_EQ(wired->GetModel(), ModelId::Kestrel);
  EXPECT_EQ(wired->IsBluetooth(), 0u);

  facts.settings = SettingsWithReportBytes9To12(0x40, 0xE2, 0x01, 0x80);  // a PIN word
  auto merlin = IdentifyDevice(facts);
  EXPECT_EQ(merlin->GetModel(), ModelId::Merlin);
  EXPECT_EQ(merlin->IsBluetooth(), 1u);

  facts.openedForReadWrite = false;
  auto keyboard = IdentifyDevice(facts);
  EXPECT_EQ(keyboard->GetModel(), ModelId::Keyboard);
  EXPECT_EQ(keyboard->IsBluetooth(), 1u);
}

TEST(Identification, WithoutMarkMerlinIsWired) {
  IdentificationFacts facts;
  facts.itemText = "USB Input Device (USB)";
  EXPECT_EQ(IdentifyDevice(facts)->IsBluetooth(), 0u);
  // The mark is case-sensitive.
  facts.itemText = "bluetooth";
  EXPECT_EQ(IdentifyDevice(facts)->IsBluetooth(), 0u);
}

TEST(Identification, FailedReadWriteOpenIsKeyboardWhateverTheSettings) {
  IdentificationFacts facts;
  facts.openedForReadWrite = false;
  for (int b12 : {0x00, 0xF0, 0xF4, 0xFF}) {
    facts.settings = SettingsWithReportBytes9To12(0, 0xFF, 0xFF, static_cast<std::uint8_t>(b12));
    EXPECT_EQ(IdentifyModel(facts), ModelId::Keyboard) << b12;
  }
}

TEST(Identification, BootloaderTestIsCaseSensitiveAndComesFirst) {
  IdentificationFacts facts;
  facts.openedForReadWrite = false;  // nothing is opened for a bootloader anyway
  facts.path = "USB\\VID_0483&PID_DF11&REV_2200";
  EXPECT_EQ(IdentifyModel(facts), ModelId::DFU);
  facts.path = "USB\\VID_0483&PID_DF11";
  EXPECT_EQ(IdentifyModel(facts), ModelId::DFU);
  facts.path = "usb\\vid_0483&pid_df11&rev_2200";
  EXPECT_EQ(IdentifyModel(facts), ModelId::Keyboard);
  facts.path = "USB\\VID_0483&PID_df11";
  facts.openedForReadWrite = true;
  EXPECT_EQ(IdentifyModel(facts), ModelId::Merlin);
}

TEST(Models, FixedAnswers) {
  struct Row {
    ModelId id;
    int buttons, axes;
  };
  const Row rows[] = {
      {ModelId::Merlin, 32, 8},   {ModelId::Osprey, 36, 8}, {ModelId::Linnet, 36, 0},
      {ModelId::Plover, 30, 5},   {ModelId::Egret, 0, 3},   {ModelId::Heron, 25, 5},
      {ModelId::Keyboard, 36, 0}, {ModelId::Sparrow, 8, 8}, {ModelId::Kestrel, 32, 8},
      {ModelId::Finch, 32, 0},    {ModelId::DFU, 0, 0}};
  for (const Row& row : rows) {
    for (bool mark : {false, true}) {
      auto device = CreateDevice(row.id, mark);
      EXPECT_EQ(device->GetModelId(), ToNumber(row.id));
      EXPECT_EQ(device->GetButtonCount(), row.buttons) << int{ToNumber(row.id)};
      EXPECT_EQ(device->GetAxisCount(), row.axes) << int{ToNumber(row.id)};
      const bool keepsMark = row.id == ModelId::Merlin || row.id == ModelId::Keyboard;
      EXPECT_EQ(device->IsBluetooth(), keepsMark && mark ? 1u : 0u);
    }
  }
}

}  // namespace
}  // namespace brisa::board
