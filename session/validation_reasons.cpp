#include "session/validation_reasons.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "session/database_failures.h"
#include "session/item_definition.h"
#include "session/similar_values.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/item_questions.h"

namespace tarn::session {
namespace {

using automation::toUtf8;
using automation::trimBlanks;

// The most values of an item read to look for similar ones: the candidates of the right length
// in the list's order, so that an item of a million values costs one bounded read.
constexpr std::size_t kSimilarCandidates = 1000;

constexpr std::u16string_view kHeaderClass = u"单据头";
constexpr std::u16string_view kBodyClass = u"单据体";

// The archive tables whose rows a grant restricts, as the component knows them (ASCII letter
// case ignored, the name as the request spells it).
constexpr std::array<std::u16string_view, 8> kGrantedTables = {
    u"customer", u"vendor",   u"inventory", u"department",
    u"code",     u"position", u"warehouse", u"person"};

struct ItemName {
  std::u16string caption;
  std::optional<std::u16string_view> itemClass;
};

// The UserDef caption and class of a user-defined item's field name, as the component maps it;
// nothing for a name it maps to no item.
std::optional<ItemName> userDefinedItem(std::u16string_view field) {
  const std::u16string name = trimBlanks(field);
  if (name.size() == 8) return ItemName{u"自定义项" + name.substr(7), kHeaderClass};
  if (name.size() != 9) return std::nullopt;
  const std::u16string suffix = name.substr(7);
  int number = 0;
  try {
    number = automation::Variant(suffix).toInteger();
  } catch (const automation::AutomationError&) {
    return std::nullopt;
  }
  if (number < 17) return ItemName{u"自定义项" + suffix, kHeaderClass};
  if (number > 21 && number < 38) {
    return ItemName{u"自定义项" + automation::fromUtf8(std::to_string(number - 21)), kBodyClass};
  }
  return std::nullopt;
}

ItemName freeItem(std::u16string_view field) {
  const std::u16string name = trimBlanks(field);
  return ItemName{u"自由项" + name.substr(std::min<std::size_t>(5, name.size())), std::nullopt};
}

Reason reason(std::string code, std::string message) {
  return Reason{std::move(code), std::move(message), std::nullopt, std::nullopt, std::nullopt};
}

Reason problemReason(ValueProblem problem, const ItemDefinition& item) {
  switch (problem) {
    case ValueProblem::kNotANumber:
      return reason("not_a_number", "The item takes numbers and the value is not a number.");
    case ValueProblem::kNotAWholeNumber:
      return reason("not_a_whole_number",
                    "The item takes whole numbers and the value is not a whole number.");
    case ValueProblem::kNotADate:
      return reason("not_a_date",
                    "The item takes dates written year-month-day and the value is not one.");
    case ValueProblem::kTooLong: {
      Reason tooLong = reason("too_long", "The value is longer than the item allows (" +
                                              std::to_string(item.maxLength) + " characters).");
      tooLong.limit = item.maxLength;
      return tooLong;
    }
    case ValueProblem::kClosed:
      return reason("closed", "The item takes no new values.");
    case ValueProblem::kNone:
      break;
  }
  return reason("not_found", "The value is found nowhere, and the archive did not take it.");
}

Reason notFound() {
  return reason("not_found", "The value is found nowhere: not among the item's values or aliases.");
}
Reason unknownItem() { return reason("unknown_item", "The database defines no such item."); }
Reason alias() {
  return reason("alias", "The value is an alias, replaced by the value it stands for.");
}
Reason archived() {
  return reason("archived", "The value was archived as a new value of the item.");
}
Reason storedSpelling() {
  return reason(
      "stored_spelling",
      "The value was accepted as the archive spells it, which differs from the typed one.");
}
// `what`: " for this value" for a validation, "" for a reference.
Reason noRights(std::u16string_view table, const std::string& what) {
  Reason noRights =
      reason("no_rights", "You have no rights on the table " + toUtf8(table) + what + ".");
  noRights.table = toUtf8(table);
  return noRights;
}

bool restrictsRows(std::u16string_view table) {
  const std::u16string lowered = automation::asciiLower(table);
  for (const auto granted : kGrantedTables) {
    if (lowered == granted) return true;
  }
  return false;
}

// The table a user-defined item's source reads: the request's own, or the voucher card's.
std::optional<std::u16string> sourceTable(erp::HeldConnection& connection,
                                          const ReferenceRequest& request) {
  if (request.source != velloc::kVoucherSource) return request.table;
  return erp::voucherTable(connection, request.card);
}

bool isText(const std::optional<std::u16string>& type) {
  static constexpr std::array<std::u16string_view, 6> kTextTypes = {
      u"nvarchar", u"nchar", u"varchar", u"char", u"ntext", u"text"};
  if (!type) return false;
  const std::u16string lowered = automation::asciiLower(*type);
  for (const auto text : kTextTypes) {
    if (lowered == text) return true;
  }
  return false;
}

bool isMoney(const std::optional<std::u16string>& type) {
  if (!type) return false;
  const std::u16string lowered = automation::asciiLower(*type);
  return lowered == u"money" || lowered == u"smallmoney";
}

// The value as the source column compares it: text for a text column, a number for a money
// column; nothing for a column of another type, or a money column and a value not a number.
std::optional<automation::Variant> comparable(const std::optional<std::u16string>& type,
                                              const std::u16string& value) {
  if (isText(type)) return automation::Variant(value);
  if (!isMoney(type) || !readsAsNumber(value)) return std::nullopt;
  const double number = std::strtod(toUtf8(value).c_str(), nullptr);
  if (!std::isfinite(number)) return std::nullopt;  // beyond any money a column holds
  return automation::Variant(number);
}

// True when the user's grant lets them see every row of `table`: only then is the table's
// spelling of an accepted value read, so that it never tells of a row the user may not see.
bool mayReadEveryRow(erp::HeldConnection& connection, std::u16string_view userId,
                     std::u16string_view table) {
  if (!restrictsRows(table)) return true;
  const auto grant = erp::rowGrant(connection, userId, table);
  return grant && automation::equalsIgnoringAsciiCase(*grant, u"all");
}

// True when the user's grant on `table` lists the rows they may see and the column holds the
// value all the same: the value is in a row the grant leaves out.
bool outsideListedRows(erp::HeldConnection& connection, std::u16string_view userId,
                       std::u16string_view table, std::u16string_view column,
                       const std::optional<automation::Variant>& value) {
  if (!value || !restrictsRows(table)) return false;
  const auto grant = erp::rowGrant(connection, userId, table);
  return grant && automation::equalsIgnoringAsciiCase(*grant, u"listed") &&
         erp::sourceValue(connection, table, column, *value);
}

// The archive's spelling of `value` among the item's values, when it spells it otherwise.
std::optional<std::u16string> listSpelling(erp::HeldConnection& connection,
                                           const std::optional<ItemDefinition>& item,
                                           std::u16string_view value) {
  if (!item) return std::nullopt;
  const auto spellings = erp::itemValuesEqualTo(connection, item->id, value, 1);
  if (spellings.empty() || spellings.front() == value) return std::nullopt;
  return spellings.front();
}

std::vector<std::u16string> similarTo(erp::HeldConnection& connection,
                                      const std::optional<ItemDefinition>& item,
                                      std::u16string_view value) {
  if (!item) return {};
  const LengthWindow window = similarLengthWindow(value);
  return similarValues(value, erp::itemValuesOfLength(connection, item->id, window.shortest,
                                                      window.longest, kSimilarCandidates));
}

// The explanation of an accepted value: an alias replaced, or the archive's own spelling.
Explanation accepted(const ValidationAnswer& answer, const std::u16string& looked,
                     std::optional<std::u16string> stored, bool archivable) {
  Explanation explanation;
  explanation.archivable = archivable;
  if (answer.returned != looked) {
    explanation.reason = alias();
  } else if (stored && *stored != answer.returned) {
    explanation.reason = storedSpelling();
    explanation.stored = std::move(stored);
  }
  return explanation;
}

}  // namespace

Explanation explainValidation(erp::HeldConnection& connection, std::u16string_view userId,
                              const ReferenceRequest& request, const ValidationAnswer& answer) {
  return onDatabase([&] {
    const std::u16string value = trimBlanks(answer.entered);  // as the component looked it up
    const auto name = userDefinedItem(request.field);
    const auto item =
        name ? readItemDefinition(connection, name->caption, name->itemClass) : std::nullopt;
    const auto table =
        request.source == velloc::kListSource ? std::nullopt : sourceTable(connection, request);
    const auto columnType = table && !table->empty()
                                ? erp::columnTypeName(connection, *table, request.column)
                                : std::nullopt;
    // A money column compared with a value that is not a number fails before any archiving.
    const bool moneyRefusal = isMoney(columnType) && !readsAsNumber(value);
    const bool archivable =
        item && !moneyRefusal &&
        archivingProblem(*item, value, ItemRules::kTyped) == ValueProblem::kNone;

    if (answer.code == velloc::kAccepted) {
      std::optional<std::u16string> stored;
      const auto compared = table && mayReadEveryRow(connection, userId, *table)
                                ? comparable(columnType, value)
                                : std::nullopt;
      if (compared) {
        const auto found = erp::sourceValue(connection, *table, request.column, *compared);
        if (found && found->type() == automation::Variant::Type::String) stored = found->toString();
      }
      if (!stored) stored = listSpelling(connection, item, value);
      return accepted(answer, value, std::move(stored), archivable);
    }
    Explanation explanation;
    explanation.archivable = archivable;
    if (answer.code == velloc::kArchived) {
      explanation.reason = archived();
      return explanation;
    }
    explanation.similar = similarTo(connection, item, value);
    if (moneyRefusal) {
      explanation.reason =
          reason("not_a_number", "The value is compared with a money column and is not a number.");
    } else if (answer.code == velloc::kNotArchived) {
      explanation.reason =
          item ? problemReason(archivingProblem(*item, value, ItemRules::kTyped), *item)
               : unknownItem();
    } else if (request.source == velloc::kArchiveSource && table &&
               outsideListedRows(connection, userId, *table, request.column,
                                 comparable(columnType, value))) {
      explanation.reason = noRights(*table, " for this value");
    } else if (!item && request.source == velloc::kListSource) {
      explanation.reason = unknownItem();
    } else {
      explanation.reason = notFound();
    }
    return explanation;
  });
}

Explanation explainFreeValidation(erp::HeldConnection& connection, std::u16string_view field,
                                  const ValidationAnswer& answer) {
  return onDatabase([&] {
    const ItemName name = freeItem(field);
    const auto item = readItemDefinition(connection, name.caption, std::nullopt);
    const std::u16string& value = answer.entered;  // a free item's value is never trimmed
    const bool archivable =
        item && archivingProblem(*item, value, ItemRules::kLengthOnly) == ValueProblem::kNone;
    if (answer.code == velloc::kAccepted) {
      return accepted(answer, value, listSpelling(connection, item, value), archivable);
    }
    Explanation explanation;
    explanation.archivable = archivable;
    if (answer.code == velloc::kArchived) {
      explanation.reason = archived();
      return explanation;
    }
    explanation.similar = similarTo(connection, item, value);
    if (!item) {
      explanation.reason = unknownItem();
    } else if (answer.code == velloc::kNotArchived) {
      explanation.reason =
          problemReason(archivingProblem(*item, value, ItemRules::kLengthOnly), *item);
    } else {
      explanation.reason = notFound();
    }
    return explanation;
  });
}

std::optional<Reason> explainReference(erp::HeldConnection& connection, std::u16string_view userId,
                                       const ReferenceRequest& request,
                                       const ReferenceAnswer& answer) {
  if (answer.ok) return std::nullopt;
  return onDatabase([&] {
    const auto table = sourceTable(connection, request);
    if (table && restrictsRows(*table)) {
      const auto grant = erp::rowGrant(connection, userId, *table);
      if (!grant || (!automation::equalsIgnoringAsciiCase(*grant, u"all") &&
                     !automation::equalsIgnoringAsciiCase(*grant, u"listed"))) {
        return noRights(*table, "");
      }
    }
    const auto name = userDefinedItem(request.field);
    if (!name || !readItemDefinition(connection, name->caption, name->itemClass)) {
      return unknownItem();
    }
    return reason("refused", "The component refused the reference; the ERP tables say no more.");
  });
}

std::optional<Reason> explainFreeReference(erp::HeldConnection& connection,
                                           std::u16string_view field,
                                           const std::optional<std::u16string>& inventory,
                                           const ReferenceAnswer& answer) {
  return onDatabase([&]() -> std::optional<Reason> {
    if (inventory && !erp::hasInventory(connection, trimBlanks(*inventory))) {
      Reason unknown = reason("unknown_inventory",
                              "No inventory has the code " + toUtf8(trimBlanks(*inventory)) + ".");
      unknown.inventory = toUtf8(trimBlanks(*inventory));
      return unknown;
    }
    if (answer.ok) return std::nullopt;
    const ItemName name = freeItem(field);
    if (!readItemDefinition(connection, name.caption, std::nullopt)) return unknownItem();
    return reason("refused", "The component refused the reference; the ERP tables say no more.");
  });
}

}  // namespace tarn::session
