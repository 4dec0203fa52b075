#include "tarnvelloc/automation/error.h"

namespace tarn::automation {
namespace {

const char* standardMessage(ErrorCode code) {
  switch (code) {
    case ErrorCode::kOverflow:
      return "Overflow";
    case ErrorCode::kTypeMismatch:
      return "Type mismatch";
    case ErrorCode::kObjectNotSet:
      return "Object variable not set";
    case ErrorCode::kInvalidUseOfNull:
      return "Invalid use of Null";
    case ErrorCode::kObjectRequired:
      return "Object required";
    case ErrorCode::kCannotCreateObject:
      return "Component can't create object";
    case ErrorCode::kUnknownOperation:
      return "Object doesn't support this property or method";
    case ErrorCode::kWrongArgumentCount:
      return "Wrong number of arguments";
    case ErrorCode::kComponentFailure:
      return "Component failure";
  }
  return "Automation error";
}

}  // namespace

AutomationError::AutomationError(ErrorCode code, const std::string& message)
    : std::runtime_error(message), code_(code) {}

void raise(ErrorCode code) { throw AutomationError(code, standardMessage(code)); }

void raise(ErrorCode code, const std::string& message) {
  throw AutomationError(code, std::string(standardMessage(code)) + ": " + message);
}

}  // namespace tarn::automation
