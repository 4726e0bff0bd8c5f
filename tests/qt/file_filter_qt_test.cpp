#include "qt/file_filter_qt.h"

#include <gtest/gtest.h>

namespace brisa::qt {
namespace {

TEST(QtFileFilter, TurnsBarSeparatedFiltersIntoQtsForm) {
  const struct {
    const char* filter;
    const char* expected;
  } cases[] = {
      {"BIN Files (*.bin)|*.bin|All Files (*.*)|*.*||", "BIN Files (*.bin);;All Files (*.*)"},
      {"Binary firmware (*.bin)|*.bin|", "Binary firmware (*.bin)"},
      {"Images|*.png;*.jpg||", "Images (*.png *.jpg)"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToQtFileFilter(c.filter).toStdString(), c.expected) << c.filter;
  }
}

}  // namespace
}  // namespace brisa::qt
