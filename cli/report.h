// What the velloc command prints: a reference (its SQL, its captions and the pick-list rows
// under them) and a validation (the code, its meaning, the value as it came back), each either
// as readable text or as one JSON object for scripts.
#pragma once

#include <string>
#include <vector>

#include "cli/host.h"

namespace tarn::cli {

struct PickList {
  std::vector<std::string> headings;  // the captions, or the query's column names
  std::vector<std::vector<std::string>> rows;
};

std::string meaningOf(std::int16_t code);

std::string referenceText(const ReferenceAnswer& answer, const PickList& pickList);
std::string referenceJson(const std::string& command, const ReferenceAnswer& answer,
                          const PickList& pickList);
std::string validationText(const ValidationAnswer& answer);
std::string validationJson(const std::string& command, const ValidationAnswer& answer);
std::string demoJson(const std::string& databaseFile);

// Splits a column-set text at its commas ("A,,C" gives A, "", C; "" gives nothing).
std::vector<std::string> splitColumnSet(const std::u16string& columnSet);

}  // namespace tarn::cli
