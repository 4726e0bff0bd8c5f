// Values that do not fit the reading buffers read as absent; paths open as the rules need.

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/scenario.h"

namespace brisa::platform::sim {
namespace {

struct LimitCase {
  const char* what;
  std::string value;
  bool reads;
};

class PropertyLimitTest : public testing::TestWithParam<LimitCase> {};

TEST_P(PropertyLimitTest, DescriptionReadsOnlyWhenItFits) {
  auto m = Scenario().usbBoard(BoardModel::Kestrel).build();
  const NodeId node = m->hidNodesOf(0).at(0);
  m->editNode(node, [&](NodeSpec& s) { s.description = GetParam().value; });
  EXPECT_EQ(m->deviceTree().property(node, DeviceProperty::DeviceDesc).has_value(),
            GetParam().reads);
}

std::string repeat(const char* unit, std::size_t times) {
  std::string s;
  for (std::size_t i = 0; i < times; ++i) s += unit;
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Limits, PropertyLimitTest,
    testing::Values(LimitCase{"125 characters", std::string(125, 'a'), true},
                    LimitCase{"126 characters", std::string(126, 'a'), false},
                    LimitCase{"125 two-byte UTF-8", repeat("\xC3\xA9", 125), true},
                    LimitCase{"63 pairs beyond the BMP", repeat("\xF0\x9F\x8E\xAE", 63), false},
                    LimitCase{"62 pairs beyond the BMP", repeat("\xF0\x9F\x8E\xAE", 62), true}));

TEST(PropertyLimits, InstanceIdsProductStringsAndHardwareIdLists) {
  auto m = Scenario().usbBoard(BoardModel::Kestrel).bootloader().build();
  DeviceTree& tree = m->deviceTree();
  const NodeId hidNode = m->hidNodesOf(0).at(0);
  m->editNode(hidNode, [](NodeSpec& s) { s.instanceId = std::string(199, 'I'); });
  EXPECT_TRUE(tree.instanceId(hidNode));
  m->editNode(hidNode, [](NodeSpec& s) { s.instanceId = std::string(200, 'I'); });
  EXPECT_FALSE(tree.instanceId(hidNode));

  const std::string path = m->hidPathsOf(0).at(0);
  m->editHid(0, 0, [](HidFunction& f) { f.productString = std::string(254, 'p'); });
  EXPECT_TRUE(m->hid().open(path, HidAccess::QueryOnly)->productString());
  m->editHid(0, 0, [](HidFunction& f) { f.productString = std::string(255, 'p'); });
  EXPECT_FALSE(m->hid().open(path, HidAccess::QueryOnly)->productString());

  // 2 x (60 + 1) x 2 + 2 = 246 bytes fit; one more string of 3 does not (246 + 8 > 253).
  const NodeId loader = m->nodesOf(1).at(0);
  m->editNode(loader, [](NodeSpec& s) {
    s.hardwareIds = std::vector<std::string>{std::string(60, 'h'), std::string(60, 'h')};
  });
  EXPECT_TRUE(tree.hardwareIds(loader));
  m->editNode(loader, [](NodeSpec& s) { s.hardwareIds->push_back("hhh"); });
  EXPECT_FALSE(tree.hardwareIds(loader));
  m->editNode(loader, [](NodeSpec& s) {
    s.hardwareIds.reset();
    s.description.reset();
  });
  EXPECT_FALSE(tree.hardwareIds(loader));
  EXPECT_FALSE(tree.property(loader, DeviceProperty::DeviceDesc));

  ASSERT_TRUE(tree.property(loader, DeviceProperty::ClassGuid));
  m->editNode(loader, [](NodeSpec& s) {
    s.classGuidReadable = false;
    s.className.reset();
  });
  EXPECT_FALSE(tree.property(loader, DeviceProperty::ClassGuid));
  EXPECT_FALSE(tree.property(loader, DeviceProperty::Class));
}

TEST(Opening, UpperCasedPathsOpen) {
  auto m = namedScenario("demo")->build();
  for (const DeviceInterface& i : m->deviceTree().hidInterfaces()) {
    std::string upper = i.path;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_NE(m->hid().open(upper, HidAccess::QueryOnly), nullptr) << upper;
  }
}

TEST(Opening, KeyboardCollectionOpensForQueriesOnly) {
  auto m = Scenario().keyboardInterface().build();
  const std::string path = m->hidPathsOf(0).at(0);
  EXPECT_EQ(m->hid().open(path, HidAccess::ReadWrite), nullptr);
  auto query = m->hid().open(path, HidAccess::QueryOnly);
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(query->attributes()->vendorId, 0x1209);
  EXPECT_EQ(query->productString(), "Brisa Keyboard");
  // The system lets a query handle exchange feature reports, but gives it no input.
  std::array<std::uint8_t, 21> report{3};
  EXPECT_TRUE(query->getFeature(report));
  EXPECT_TRUE(query->setFeature(report));
  std::array<std::uint8_t, 64> input{};
  EXPECT_EQ(query->readInput(input, 21).status, InputReadStatus::Failed);
}

TEST(Opening, AKeyboardPathThatOpensOnlyWithoutKbd) {
  KeyboardSpec spec;
  spec.queryOpensOnlyWithoutKbd = true;
  auto m = Scenario().keyboardInterface(spec).build();
  const std::string path = m->hidPathsOf(0).at(0);
  EXPECT_EQ(m->hid().open(path, HidAccess::QueryOnly), nullptr);
  const std::string stripped = path.substr(0, path.size() - 4);
  auto query = m->hid().open(stripped, HidAccess::QueryOnly);
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(query->productString(), "Brisa Keyboard");
  EXPECT_EQ(m->hid().open(stripped, HidAccess::ReadWrite), nullptr);
}

TEST(Opening, ABluetoothKeyboardCollection) {
  BleBoardSpec spec;
  spec.keyboard = true;
  auto m = Scenario().bleBoard(spec).build();
  const std::string path = m->hidPathsOf(0).at(0);
  EXPECT_NE(path.find("hid#{00001812-0000-1000-8000-00805f9b34fb}"), std::string::npos);
  EXPECT_TRUE(path.ends_with("\\KBD"));
  EXPECT_EQ(m->hid().open(path, HidAccess::ReadWrite), nullptr);
  EXPECT_NE(m->hid().open(path, HidAccess::QueryOnly), nullptr);
}

TEST(Opening, BoardIdentityAndCapabilities) {
  auto m = Scenario().usbBoard(BoardModel::Kestrel).bleBoard().build();
  auto usb = m->hid().open(m->hidPathsOf(0).at(0), HidAccess::ReadWrite);
  ASSERT_NE(usb, nullptr);
  const HidAttributes a = *usb->attributes();
  EXPECT_EQ(a.vendorId, 0x1209);
  EXPECT_EQ(a.productId, 0x0009);
  EXPECT_EQ(a.versionNumber, 0x0100);
  EXPECT_EQ(usb->capabilities()->featureReportByteLength, 21);
  EXPECT_EQ(usb->productString(), "Brisa Kestrel");
  auto ble = m->hid().open(m->hidPathsOf(1).at(0), HidAccess::ReadWrite);
  ASSERT_NE(ble, nullptr);
  EXPECT_EQ(ble->productString(), "Merlin");
}

}  // namespace
}  // namespace brisa::platform::sim
