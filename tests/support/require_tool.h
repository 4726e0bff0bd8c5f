#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace brisa::test {

// CI sets CI=true: there a missing tool means a broken install step and must fail the run.
inline bool underCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::strcmp(ci, "true") == 0;
}

}  // namespace brisa::test

// Skips the test when a tool it needs is missing, except under CI, where that fails it.
#define BRISA_REQUIRE_TOOL(available, what)                            \
  do {                                                                 \
    if (!(available)) {                                                \
      if (::brisa::test::underCi()) FAIL() << (what) << " is missing"; \
      GTEST_SKIP() << (what) << " is missing";                         \
    }                                                                  \
  } while (false)
