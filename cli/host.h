// VellocHost does with the component what an ERP screen does: it registers the outside
// components and the component with the factory, creates "TarnVelloc.clsVelloc" by its ProgID,
// calls Init with the connection string and the user id, and then calls the working methods
// late-bound, by name, with by-reference output variables. It never reaches inside the
// component.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tarnvelloc/automation/object.h"

namespace tarn::cli {

struct ReferenceRequest {
  std::int16_t source = 0;   // 0 list, 1 archive, 2 voucher
  std::int16_t section = 0;  // 0 header, 1 body
  std::u16string field;      // cdefineN
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
  std::int16_t code = 0;
  std::u16string typed;
  std::u16string value;  // as it came back
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
  automation::ObjectRef component_;
};

}  // namespace tarn::cli
