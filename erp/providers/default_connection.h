// The process's default connection string, which the utility service falls back on when its
// own Init was never called (tarnvelloc/erp/components.h). The host's choice wins over the data
// services'. Guarded by a mutex: any thread may read or change it.
#pragma once

#include <optional>
#include <string>

namespace tarn::erp::providers {

// The host's choice (tarnvelloc/erp/components.h: setDefaultConnection); "" removes it.
void setHostDefaultConnection(std::u16string connectionString);

// Records the connection string of a data service that has just been initialised with success.
void noteDataServiceConnection(std::u16string connectionString);

// The host's default connection, else the one most recently noted; nothing when neither exists.
std::optional<std::u16string> defaultConnection();

}  // namespace tarn::erp::providers
