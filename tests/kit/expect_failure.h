// The check of an expected failure, by code and whole message.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tarnvelloc/automation/error.h"

namespace tarn::testing {

// Runs `use`, which must raise AutomationError with `code` and exactly `message`.
inline void expectFailure(const std::function<void()>& use, automation::ErrorCode code,
                          const std::string& message) {
  try {
    use();
    ADD_FAILURE() << "no failure";
  } catch (const automation::AutomationError& error) {
    EXPECT_EQ(error.code(), code);
    EXPECT_EQ(error.what(), message);
  }
}

}  // namespace tarn::testing
