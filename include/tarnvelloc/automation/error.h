// AutomationError is what every failure inside a late-bound call raises: a numeric code and
// a message. The codes are the automation runtime's own (see ErrorCode); outside components
// raise them too, carrying the database's message when the database failed.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tarn::automation {

// Codes callers of the automation runtime may see. Their numbers follow the long-standing
// automation conventions so that logs read the way integrators expect.
enum class ErrorCode : std::int32_t {
  kOverflow = 6,
  kTypeMismatch = 13,
  kObjectNotSet = 91,
  kInvalidUseOfNull = 94,
  kObjectRequired = 424,
  kCannotCreateObject = 429,
  kUnknownOperation = 438,
  kWrongArgumentCount = 450,
  kComponentFailure = 1000,  // a component's own failure; the message says what failed
};

class AutomationError : public std::runtime_error {
 public:
  AutomationError(ErrorCode code, const std::string& message);

  ErrorCode code() const { return code_; }

 private:
  ErrorCode code_;
};

// Raises the error with the runtime's standard message for the code.
[[noreturn]] void raise(ErrorCode code);
[[noreturn]] void raise(ErrorCode code, const std::string& message);

}  // namespace tarn::automation
