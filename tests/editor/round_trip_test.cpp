#include <gtest/gtest.h>

#include <ostream>
#include <random>

#include "editor/config_reports.h"
#include "editor/page_fill.h"
#include "editor/report_fields.h"
#include "page_set.h"

namespace brisa::editor {
namespace {

using board::ConfigBlock;
using board::ConfigRecord;
using board::ModelId;
using testing::Board;
using testing::PageSet;

class RecordMaker {
 public:
  explicit RecordMaker(unsigned seed) : m_rng(seed) {}

  int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
  bool coin() { return uniform(0, 1) == 1; }

  // A configuration whose every field lies inside what the model's pages can show, and whose
  // bytes outside those fields are what the editor writes there. A wired board's model key is
  // put where the PIN would be; the caller drops it from the expectation.
  ConfigRecord make(const board::Device& device, bool showsPin) {
    ConfigRecord record;
    const int buttons = device.GetButtonCount();
    const int analog = std::min<int>(device.GetAxisCount(), 8);
    board::FeatureReport types = board::EmptyReport(board::ButtonTypeReport);
    for (int i = 0; i < buttons; i += 2) {
      if (coin() && coin()) {  // an encoder claims both buttons of its pair
        PutButtonType(types, i, button_type::kEncoderFirst);
        if (i + 1 < buttons) PutButtonType(types, i + 1, button_type::kEncoderSecond);
        continue;
      }
      for (int b = i; b < std::min(i + 2, buttons); ++b) {
        std::uint8_t code = button_type::kPlain;
        switch (uniform(0, 3)) {
          case 0:
            code = b < analog ? button_type::kAnalog : button_type::kPlain;
            break;
          case 1:
            code = button_type::kRotarySwitch;
            break;
          case 2:
            code = button_type::kToggleSwitch;
            break;
          default:
            break;
        }
        PutButtonType(types, b, code);
      }
    }
    record.buttonTypes = board::PayloadOf(types);

    board::FeatureReport settings = board::EmptyReport(board::SettingsReport);
    PutWord(settings, field::kFiltering, word(0, 100));
    PutWord(settings, field::kDebounce, word(0, 0xFFFF));
    PutWord(settings, field::kEncoderPressTime, word(20, 0xFFFF));
    PutWord(settings, field::kSwitchPressTime, word(20, 0xFFFF));
    const auto model = device.GetModel();
    std::uint32_t pin = 0;
    if (showsPin) {
      if (coin()) pin = pin_word::kRequirePin | static_cast<std::uint32_t>(uniform(0, 0x7FFFFFFF));
    } else {
      pin = static_cast<std::uint32_t>(uniform(1, 0xFFFFFF)) << 8;  // the model key
      if (model == ModelId::Plover || model == ModelId::Heron) pin |= word(0, 0x1F);
      if (model == ModelId::Egret) pin |= word(0, 0x07);
    }
    PutLong(settings, field::kPinWord, pin);
    if (model == ModelId::Egret || model == ModelId::Heron) {
      settings[field::kGain1] = static_cast<std::uint8_t>(uniform(0, 255));
      settings[field::kGain2] = static_cast<std::uint8_t>(uniform(0, 255));
    }
    record.settings = board::PayloadOf(settings);

    board::FeatureReport a = board::EmptyReport(board::AxisKeyReportA);
    board::FeatureReport b = board::EmptyReport(board::AxisKeyReportB);
    const ReportLayout layout = BuildLayoutOf(&device);
    if (layout == ReportLayout::Key) {
      for (std::size_t i = 1; i <= 18; ++i) {
        a[i] = static_cast<std::uint8_t>(uniform(0, 255));
        b[i] = static_cast<std::uint8_t>(uniform(0, 255));
      }
    } else {
      b[1] = field::kAxisReportMarker;
      const int axes = model == ModelId::Egret                               ? 3
                       : model == ModelId::Plover || model == ModelId::Heron ? 5
                                                                             : 8;
      for (int k = 0; k < axes; ++k) {
        board::FeatureReport& r = k < 4 ? a : b;
        std::uint16_t minimum = 0, maximum = 0;
        if (layout == ReportLayout::Range) {
          minimum = static_cast<std::uint16_t>(word(0, 4095) | (coin() ? kRangeInvertFlag : 0));
          maximum = word(0, 4095);
        } else if (model == ModelId::Egret) {
          minimum = word(0, 4095);
          maximum = word(0, 4095);
        } else {
          minimum = word(0, 0xFFFF);
          maximum = word(0, 0xFFFF);
        }
        PutWord(r, field::AxisMin(k % 4), minimum);
        PutWord(r, field::AxisMax(k % 4), maximum);
      }
    }
    record.axisKeyA = board::PayloadOf(a);
    record.axisKeyB = board::PayloadOf(b);
    return record;
  }

 private:
  std::uint16_t word(int low, int high) { return static_cast<std::uint16_t>(uniform(low, high)); }
  std::mt19937 m_rng;
};

struct RoundTripCase {
  ModelId model;
  FillVariant variant;  // the bootloader's pages are filled only from a file
  bool showsPin;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) {
  *os << "model " << int(board::ToNumber(c.model))
      << (c.variant == FillVariant::Read ? ", read" : ", file");
}

class RoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTripTest, EveryFieldOfTheLayoutComesBack) {
  const RoundTripCase& c = GetParam();
  const auto device = Board(c.model);
  RecordMaker maker(1000u + board::ToNumber(c.model));
  for (int round = 0; round < 40; ++round) {
    const ConfigRecord record = maker.make(*device, c.showsPin);
    ConfigRecord expected = record;
    if (!c.showsPin) {
      // The model key is not the editor's to write back.
      for (std::size_t at = 9; at <= 11; ++at) expected.settings[at] = 0;
    }
    PageSet set;
    const PageFillLayout layout = c.variant == FillVariant::Read
                                      ? ReadFillLayout(*device)
                                      : FileFillLayout(device->GetModelId(), device.get());
    FillConfigPages(set.pages(), record, layout);
    const auto reports = CollectConfigReports(set.pages(), device.get());
    ASSERT_EQ(board::RecordFromReports(reports), expected) << "round " << round;
    EXPECT_EQ(reports.outAxisKeyReportB[20], 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Models, RoundTripTest,
    ::testing::Values(RoundTripCase{ModelId::Merlin, FillVariant::Read, true},
                      RoundTripCase{ModelId::Osprey, FillVariant::Read, false},
                      RoundTripCase{ModelId::Linnet, FillVariant::Read, false},
                      RoundTripCase{ModelId::Plover, FillVariant::Read, false},
                      RoundTripCase{ModelId::Egret, FillVariant::Read, false},
                      RoundTripCase{ModelId::Heron, FillVariant::Read, false},
                      RoundTripCase{ModelId::Keyboard, FillVariant::Read, true},
                      RoundTripCase{ModelId::Sparrow, FillVariant::Read, false},
                      RoundTripCase{ModelId::Kestrel, FillVariant::Read, false},
                      RoundTripCase{ModelId::Finch, FillVariant::Read, false},
                      RoundTripCase{ModelId::DFU, FillVariant::File, true},
                      RoundTripCase{ModelId::Osprey, FillVariant::File, false},
                      RoundTripCase{ModelId::Heron, FillVariant::File, false}),
    [](const auto& param_info) {
      return std::to_string(board::ToNumber(param_info.param.model)) +
             (param_info.param.variant == FillVariant::Read ? "_read" : "_file");
    });

}  // namespace
}  // namespace brisa::editor
