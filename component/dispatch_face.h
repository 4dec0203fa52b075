// The late-bound face of a clsVelloc object: the _clsVelloc members reached through the
// automation Object interface by name (ASCII case ignored) or by dispatch id. A property's get
// and set share one id. Arguments are converted the way an automation caller's are (Integer,
// String, Boolean); by-reference parameters write their new values back into the caller's
// Variants. Results: Boolean for the reference methods and Init, Integer for the validations.
#pragma once

#include <memory>

#include "component/_clsVelloc.h"
#include "tarnvelloc/automation/object.h"

namespace tarn::velloc {

inline constexpr automation::DispId kDispIdArDbSrv = 0x40030000;
inline constexpr automation::DispId kDispIdVoDbSrv = 0x40030001;
inline constexpr automation::DispId kDispIdColSet = 0x40030002;
inline constexpr automation::DispId kDispIdRowAuth = 0x40030003;
inline constexpr automation::DispId kDispIdInit = 0x60030000;
inline constexpr automation::DispId kDispIdGetRefSQL = 0x60030001;
inline constexpr automation::DispId kDispIdValidateAr = 0x60030002;
inline constexpr automation::DispId kDispIdGetFreeRefSQL = 0x60030003;
inline constexpr automation::DispId kDispIdValidateFreeAr = 0x60030004;
inline constexpr automation::DispId kDispIdGetStruFreeRefSQL = 0x60030005;

// The face shares ownership of the object; the object is torn down when the last face goes.
automation::ObjectRef makeDispatchFace(std::shared_ptr<_clsVelloc> object);

}  // namespace tarn::velloc
