// VellocHost does with the component what an ERP screen does: it registers the outside
// components and the component with the factory, creates "TarnVelloc.clsVelloc" by its ProgID,
// calls Init with the connection string and the user id, and then calls the working methods
// late-bound, by name, with by-reference output variables. It never reaches inside the
// component. One object per thread: automation objects are single-threaded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tarnvelloc/automation/object.h"
#include "tarnvelloc/component/working_values.h"

namespace tarn::session {

// A user-defined item and where its values come from.
struct ReferenceRequest {
  std::int16_t source = velloc::kListSource;
  std::int16_t section = velloc::kHeaderSection;
  std::u16string field;  // cdefineN
  std::u16string table;
  std::u16string column;
  std::u16string card;
  std::u16string match;
};

struct ReferenceAnswer {
  bool ok = false;
  std::u16string sql;
  std::u16string columnSet;
  automation::Variant columnWidth;
};

struct ValidationAnswer {
  std::int16_t code = velloc::kAccepted;
  std::u16string entered;   // the value as the caller typed it
  std::u16string returned;  // the value as the component gave it back (an alias replaced)
};

class VellocHost {
 public:
  // Registers the components and creates the component; raises when that fails.
  VellocHost();

  // Init(connection, user); false when the component reports the database not ready.
  bool init(const std::u16string& connection, const std::u16string& userId);

  ReferenceAnswer reference(const ReferenceRequest& request);
  ReferenceAnswer freeReference(const std::u16string& field, const std::u16string& match);
  ReferenceAnswer structuredFreeReference(const std::u16string& inventory,
                                          const std::u16string& field, const std::u16string& match);
  ValidationAnswer validate(const ReferenceRequest& request, const std::u16string& value,
                            bool build);
  ValidationAnswer validateFree(const std::u16string& field, const std::u16string& value,
                                bool build);

 private:
  // Calls a reference method with `arguments` followed by its three by-reference outputs.
  ReferenceAnswer callReference(std::u16string_view method,
                                std::vector<automation::Argument> arguments);

  automation::ObjectRef component_;
};

}  // namespace tarn::session
