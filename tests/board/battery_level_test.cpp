// A Bluetooth board's battery level, read through the GATT Battery Service of that very board.

#include "board/battery_level.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/sim/scenario.h"

namespace brisa::board {
namespace {

using platform::GattUuid;
using platform::sim::BleBoardSpec;
using platform::sim::GattServer;
using platform::sim::Machine;
using platform::sim::Scenario;
using Characteristic = GattServer::Characteristic;

BleBoardSpec Ble(std::uint8_t level, std::uint64_t address = 0xD1C2B3A4F5E6) {
  BleBoardSpec spec;
  spec.batteryLevel = level;
  spec.address = address;
  return spec;
}

BatteryReading Read(Machine& machine, BoardState& state, platform::sim::DeviceId device) {
  return BleReadBatteryLevel(state, machine.deviceTree(), machine.gatt(),
                             machine.hidNodesOf(device).at(0));
}

// The Battery Service's characteristics of a board, edited in place.
void EditBattery(Machine& machine, const std::function<void(std::vector<Characteristic>&)>& edit) {
  machine.gattServer(0)->edit([&](std::vector<GattServer::Service>& services) {
    for (auto& service : services) {
      if (service.uuid == GattUuid::shortForm(platform::kBatteryServiceShortUuid)) {
        edit(service.characteristics);
      }
    }
  });
}

Characteristic Level(std::uint16_t handle, std::vector<std::uint8_t> value, bool readable = true) {
  return Characteristic{GattUuid::shortForm(platform::kBatteryLevelShortUuid),
                        handle,
                        readable,
                        true,
                        std::move(value),
                        {}};
}

TEST(BatteryLevel, TwoBoardsEachReadTheirOwnLevelAndKeepTheServiceOpen) {
  auto machine = Scenario().bleBoard(Ble(87)).bleBoard(Ble(12, 0xA1A2A3A4A5A6)).build();
  BoardState state;
  EXPECT_EQ(Read(*machine, state, 1).level, "12");
  EXPECT_EQ(machine->openGattHandles(1), 1u);
  EXPECT_EQ(Read(*machine, state, 0).level, "87");
  EXPECT_EQ(machine->openGattHandles(0), 1u);
  EXPECT_EQ(machine->openGattHandles(1), 0u);  // closed by the next read
  EXPECT_EQ(Read(*machine, state, 0).level, "87");
  EXPECT_EQ(machine->openGattHandles(0), 1u);
}

TEST(BatteryLevel, OnlyAReadableShortBatteryLevelWithAValueCounts) {
  const struct {
    const char* name;
    std::vector<Characteristic> characteristics;
    std::optional<std::string> level;
  } cases[] = {
      {"a level of 100", {Level(0x13, {100})}, "100"},
      {"a level of 255, no range check", {Level(0x13, {255, 1})}, "255"},
      {"not readable", {Level(0x13, {50}, false)}, std::nullopt},
      {"declared with the 128-bit UUID",
       {Characteristic{
           GattUuid::longFormOf(platform::kBatteryLevelShortUuid), 0x13, true, true, {50}, {}}},
       std::nullopt},
      {"an empty value", {Level(0x13, {})}, std::nullopt},
      {"several: the last one read stays", {Level(0x13, {40}), Level(0x15, {41})}, "41"},
      {"no characteristic", {}, std::nullopt},
  };
  for (const auto& c : cases) {
    auto machine = Scenario().bleBoard(Ble(87)).build();
    EditBattery(*machine, [&](auto& characteristics) { characteristics = c.characteristics; });
    BoardState state;
    EXPECT_EQ(Read(*machine, state, 0).level, c.level) << c.name;
  }
}

TEST(BatteryLevel, SubscribesDescriptorsBelowHandle255BeforeReadingTheValue) {
  auto machine = Scenario().bleBoard(Ble(87)).build();
  EditBattery(*machine, [](auto& characteristics) {
    characteristics.front().descriptors = {
        {platform::GattDescriptorType::CharacteristicUserDescription, 0x00FE},
        {platform::GattDescriptorType::ClientCharacteristicConfiguration, 0x00FF}};
  });
  BoardState state;
  ASSERT_EQ(Read(*machine, state, 0).level, "87");
  std::vector<std::pair<GattServer::Call, std::uint16_t>> calls;
  for (const auto& event : machine->gattServer(0)->events()) {
    if (event.call == GattServer::Call::WriteDescriptor ||
        event.call == GattServer::Call::ReadValue)
      calls.emplace_back(event.call, event.attributeHandle);
  }
  EXPECT_EQ(calls, (std::vector<std::pair<GattServer::Call, std::uint16_t>>{
                       {GattServer::Call::WriteDescriptor, 0x00FE},
                       {GattServer::Call::ReadValue, 0x0013}}));
  const auto descriptors =
      machine->gattServer(0)->services().back().characteristics.front().descriptors;
  EXPECT_TRUE(descriptors[0].notifying);
  EXPECT_FALSE(descriptors[0].indicating);
  EXPECT_EQ(descriptors[1].writes, 0u);
}

TEST(BatteryLevel, AFailingCallShowsNoValue) {
  using Call = GattServer::Call;
  for (const Call call : {Call::Services, Call::Characteristics, Call::Descriptors,
                          Call::WriteDescriptor, Call::ReadValue}) {
    auto machine = Scenario().bleBoard(Ble(87)).build();
    machine->gattServer(0)->failCalls(call, 1);
    BoardState state;
    EXPECT_EQ(Read(*machine, state, 0).level, std::nullopt) << static_cast<int>(call);
  }
}

TEST(BatteryLevel, NoServiceMeansNoLevelAndAFailedOpenGivesTheSystemCode) {
  BleBoardSpec none;
  none.batteryLevel.reset();
  auto machine = Scenario().bleBoard(none).bleBoard(Ble(60, 0xA1A2A3A4A5A6)).build();
  BoardState state;
  const BatteryReading missing = Read(*machine, state, 0);
  EXPECT_EQ(missing.level, std::nullopt);
  EXPECT_EQ(missing.openError, std::nullopt);
  EXPECT_EQ(state.hBatteryService, nullptr);

  machine->failGattOpen(1, 31);
  const BatteryReading refused = Read(*machine, state, 1);
  EXPECT_EQ(refused.level, std::nullopt);
  EXPECT_EQ(refused.openError, 31u);
}

}  // namespace
}  // namespace brisa::board
