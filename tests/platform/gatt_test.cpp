// A BLE board's GATT database answers the battery walk, and fails on demand.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/sim/scenario.h"

namespace brisa::platform::sim {
namespace {

class GattTest : public testing::Test {
 protected:
  void SetUp() override {
    BleBoardSpec spec;
    spec.batteryLevel = 87;
    machine = Scenario().bleBoard(spec).build();
    server = machine->gattServer(0);
    const auto found =
        machine->deviceTree().gattServiceInterfaces(Guid::fromShortUuid(kBatteryServiceShortUuid));
    ASSERT_EQ(found.size(), 1u);
    path = found[0].path;
  }
  std::unique_ptr<GattService> open() { return machine->gatt().openService(path).service; }

  std::unique_ptr<Machine> machine;
  std::shared_ptr<GattServer> server;
  std::string path;
};

TEST_F(GattTest, TheBatteryServiceAnswersItsLevel) {
  auto service = open();
  ASSERT_NE(service, nullptr);
  const auto services = service->services();
  ASSERT_TRUE(services && services->size() == 1);
  EXPECT_EQ(services->at(0).uuid, GattUuid::shortForm(0x180F));
  const auto chars = service->characteristics(services->at(0));
  ASSERT_TRUE(chars && chars->size() == 1);
  const GattCharacteristicRecord& level = chars->at(0);
  EXPECT_TRUE(level.uuid.isShortUuid);
  EXPECT_EQ(level.uuid.shortUuid, 0x2A19);
  EXPECT_TRUE(level.isReadable);
  const auto descriptors = service->descriptors(level);
  ASSERT_TRUE(descriptors && descriptors->size() == 1);
  EXPECT_LT(descriptors->at(0).attributeHandle, 255);
  GattDescriptorValue subscribe;
  subscribe.subscribeToNotification = true;
  EXPECT_TRUE(service->writeDescriptor(descriptors->at(0), subscribe));
  EXPECT_EQ(service->readValue(level), std::vector<std::uint8_t>{87});

  server->setBatteryLevel(255);
  EXPECT_EQ(service->readValue(level), std::vector<std::uint8_t>{255});

  const auto events = server->events();
  ASSERT_GE(events.size(), 5u);
  EXPECT_EQ(events[3].call, GattServer::Call::WriteDescriptor);
  EXPECT_EQ(events[4].call, GattServer::Call::ReadValue);
  EXPECT_TRUE(server->services().back().characteristics[0].descriptors[0].notifying);
}

TEST_F(GattTest, CallsFailOnDemand) {
  auto service = open();
  server->failCalls(GattServer::Call::Services, 1);
  server->failCalls(GattServer::Call::ReadValue, 1);
  EXPECT_FALSE(service->services());
  const auto services = service->services();
  ASSERT_TRUE(services);
  const auto chars = service->characteristics(services->at(0));
  EXPECT_FALSE(service->readValue(chars->at(0)));
  EXPECT_TRUE(service->readValue(chars->at(0)));
}

TEST_F(GattTest, TheDatabaseCanBeShapedForEdgeCases) {
  server->edit([](std::vector<GattServer::Service>& db) {
    auto& battery = db.back().characteristics;
    battery[0].readable = false;
    battery.push_back(
        GattServer::Characteristic{GattUuid::longFormOf(0x2A19), 0x0020, true, false, {50}, {}});
    battery[0].descriptors.push_back(
        GattServer::Descriptor{GattDescriptorType::CharacteristicUserDescription, 0x0100});
  });
  auto service = open();
  const auto chars = service->characteristics(service->services()->at(0));
  ASSERT_EQ(chars->size(), 2u);
  EXPECT_FALSE(chars->at(0).isReadable);
  EXPECT_FALSE(service->readValue(chars->at(0)));
  EXPECT_FALSE(chars->at(1).uuid.isShortUuid);
  EXPECT_EQ(toGuid(chars->at(1).uuid), Guid::fromShortUuid(0x2A19));
  EXPECT_EQ(service->descriptors(chars->at(0))->at(1).attributeHandle, 0x0100);
}

TEST_F(GattTest, OpeningFailsWithAnErrorCode) {
  machine->failGattOpen(0, 5);
  const GattOpenResult refused = machine->gatt().openService(path);
  EXPECT_EQ(refused.service, nullptr);
  EXPECT_EQ(refused.error, 5u);
  machine->failGattOpen(0, 0);
  auto service = open();
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(machine->openGattHandles(0), 1u);
  machine->unplug(0);
  EXPECT_FALSE(service->services()) << "the board went out of range";
  EXPECT_NE(machine->gatt().openService(path).error, 0u);
  service.reset();
  EXPECT_EQ(machine->openGattHandles(0), 0u);
}

}  // namespace
}  // namespace brisa::platform::sim
