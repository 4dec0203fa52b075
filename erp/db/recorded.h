// Every failure the database layer meets is recorded for the host (tarnvelloc/erp/diagnostics.h)
// under what was asked of the database, before it goes on unwinding.
#pragma once

#include <exception>
#include <string_view>

#include "tarnvelloc/erp/diagnostics.h"

namespace tarn::erp::db {

// Runs `work`, recording a failure under `operation` before it goes on unwinding.
template <typename Work>
auto recorded(std::u16string_view operation, Work work) {
  try {
    return work();
  } catch (const std::exception& failure) {
    recordDatabaseFailure(operation, failure);
    throw;
  }
}

}  // namespace tarn::erp::db
