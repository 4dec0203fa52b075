#include "erp/record_set_object.h"

#include <memory>
#include <string>

#include "tarnvelloc/automation/dispatch_object.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp {
namespace {

using automation::Argument;
using automation::DispatchObject;
using automation::ErrorCode;
using automation::method;
using automation::ObjectRef;
using automation::property;
using automation::raise;
using automation::Variant;

// Shared by the record set and every Fields and Field object taken from it.
struct RecordSetState {
  db::ResultSet result;
  std::size_t position = 0;
  bool closed = false;

  void requireOpen() const {
    if (closed) raise(ErrorCode::kComponentFailure, "record set is closed");
  }
  bool atEnd() const { return position >= result.rows.size(); }
};
using SharedState = std::shared_ptr<RecordSetState>;

std::size_t columnOf(const RecordSetState& state, const Variant& key) {
  const auto& columns = state.result.columns;
  switch (key.type()) {
    case Variant::Type::Integer:
    case Variant::Type::Long: {
      const std::int32_t index = key.toLong();
      if (index < 0 || static_cast<std::size_t>(index) >= columns.size()) {
        raise(ErrorCode::kComponentFailure, "no field at index " + std::to_string(index));
      }
      return static_cast<std::size_t>(index);
    }
    case Variant::Type::String: {
      const std::u16string name = key.toString();
      for (std::size_t i = 0; i < columns.size(); ++i) {
        if (automation::equalsIgnoringAsciiCase(columns[i], name)) return i;
      }
      raise(ErrorCode::kComponentFailure, "no field named '" + automation::toUtf8(name) + "'");
    }
    default:
      raise(ErrorCode::kTypeMismatch, "a field is chosen by name or by index");
  }
}

ObjectRef makeField(SharedState state, std::size_t column) {
  return std::make_shared<DispatchObject>(std::vector{
      property(u"Value",
               [state, column] {
                 state->requireOpen();
                 if (state->atEnd()) {
                   raise(ErrorCode::kComponentFailure, "no current record (BOF or EOF is true)");
                 }
                 return state->result.rows[state->position][column];
               }),
      property(u"Name",
               [state, column] {
                 state->requireOpen();
                 return Variant(state->result.columns[column]);
               }),
  });
}

ObjectRef makeFields(SharedState state) {
  return std::make_shared<DispatchObject>(std::vector{
      method(u"Item", 1,
             [state](std::span<Argument> args) {
               state->requireOpen();
               return Variant(makeField(state, columnOf(*state, args[0].value())));
             }),
      property(u"Count",
               [state] {
                 state->requireOpen();
                 return Variant(static_cast<std::int32_t>(state->result.columns.size()));
               }),
  });
}

}  // namespace

ObjectRef makeRecordSetObject(db::ResultSet rows) {
  for (const auto& row : rows.rows) {
    if (row.size() != rows.columns.size()) {
      raise(ErrorCode::kComponentFailure, "a record holds " + std::to_string(row.size()) +
                                              " values for " + std::to_string(rows.columns.size()) +
                                              " fields");
    }
  }
  auto state = std::make_shared<RecordSetState>();
  state->result = std::move(rows);
  const auto moveNext = [state](std::span<Argument>) {
    state->requireOpen();
    if (state->atEnd()) raise(ErrorCode::kComponentFailure, "MoveNext past the last record");
    ++state->position;
    return Variant();
  };
  const auto moveFirst = [state](std::span<Argument>) {
    state->requireOpen();
    state->position = 0;
    return Variant();
  };
  const auto close = [state](std::span<Argument>) {
    state->requireOpen();
    state->closed = true;
    state->result = {};
    return Variant();
  };
  return std::make_shared<DispatchObject>(std::vector{
      property(u"BOF",
               [state] {
                 state->requireOpen();
                 return Variant(state->result.rows.empty());
               }),
      property(u"EOF",
               [state] {
                 state->requireOpen();
                 return Variant(state->atEnd());
               }),
      property(u"Fields",
               [state] {
                 state->requireOpen();
                 return Variant(makeFields(state));
               }),
      property(u"RecordCount",
               [state] {
                 state->requireOpen();
                 return Variant(static_cast<std::int32_t>(state->result.rows.size()));
               }),
      method(u"MoveNext", 0, moveNext),
      method(u"MoveFirst", 0, moveFirst),
      method(u"Close", 0, close),
  });
}

}  // namespace tarn::erp
