#include "erp/objects/record_set_object.h"

#include <memory>
#include <string>
#include <vector>

#include "tarnvelloc/automation/dispatch_object.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp {
namespace {

using automation::Argument;
using automation::DispatchObject;
using automation::ErrorCode;
using automation::memberMethod;
using automation::memberProperty;
using automation::ObjectRef;
using automation::OperationTable;
using automation::raise;
using automation::Variant;

struct RecordSetCore;

class RecordSetObject final : public DispatchObject {
 public:
  explicit RecordSetObject(RecordSetCore& core) : DispatchObject(table()), core_(core) {}

 private:
  static const OperationTable& table() {
    static const OperationTable operations({
        memberProperty<&RecordSetObject::bof>(u"BOF"),
        memberProperty<&RecordSetObject::eof>(u"EOF"),
        memberProperty<&RecordSetObject::fields>(u"Fields"),
        memberProperty<&RecordSetObject::recordCount>(u"RecordCount"),
        memberMethod<&RecordSetObject::moveNext>(u"MoveNext", 0),
        memberMethod<&RecordSetObject::moveFirst>(u"MoveFirst", 0),
        memberMethod<&RecordSetObject::close>(u"Close", 0),
    });
    return operations;
  }

  Variant bof();
  Variant eof();
  Variant fields();
  Variant recordCount();
  Variant moveNext();
  Variant moveFirst();
  Variant close();

  RecordSetCore& core_;
};

class FieldsObject final : public DispatchObject {
 public:
  explicit FieldsObject(RecordSetCore& core) : DispatchObject(table()), core_(core) {}

 private:
  static const OperationTable& table() {
    static const OperationTable operations({
        memberMethod<&FieldsObject::item>(u"Item", 1),
        memberProperty<&FieldsObject::count>(u"Count"),
    });
    return operations;
  }

  Variant item(std::span<Argument> args);
  Variant count();

  RecordSetCore& core_;
};

class FieldObject final : public DispatchObject {
 public:
  FieldObject(RecordSetCore& core, std::size_t column)
      : DispatchObject(table()), core_(core), column_(column) {}

 private:
  static const OperationTable& table() {
    static const OperationTable operations({
        memberProperty<&FieldObject::value>(u"Value"),
        memberProperty<&FieldObject::name>(u"Name"),
    });
    return operations;
  }

  Variant value();
  Variant name();

  RecordSetCore& core_;
  std::size_t column_;
};

// The rows and the position, with the record set, its Fields object and one Field object per
// column, all in one allocation: a reference to any of them keeps the whole alive, so a Field
// taken from the set stays readable (or raises "closed") however long it is held, and reading a
// field creates nothing.
struct RecordSetCore : std::enable_shared_from_this<RecordSetCore> {
  explicit RecordSetCore(db::ResultSet rows) : result(std::move(rows)) {}

  // The Field of a column. All are made at the first call (many sets are only asked whether
  // they are empty), and never moved afterwards: references to them stay valid.
  FieldObject& field(std::size_t column) {
    if (fieldObjects.empty()) {
      fieldObjects.reserve(result.columns.size());
      for (std::size_t i = 0; i < result.columns.size(); ++i) fieldObjects.emplace_back(*this, i);
    }
    return fieldObjects[column];
  }

  void requireOpen() const {
    if (closed) raise(ErrorCode::kComponentFailure, "record set is closed");
  }
  bool atEnd() const { return position >= result.rows.size(); }

  // A reference to a part of this core that shares the core's ownership.
  ObjectRef share(automation::Object& part) { return ObjectRef(shared_from_this(), &part); }

  std::size_t columnOf(const Variant& key) const;

  db::ResultSet result;
  std::size_t position = 0;
  bool closed = false;
  RecordSetObject recordSet{*this};
  FieldsObject fields{*this};
  std::vector<FieldObject> fieldObjects;
};

std::size_t RecordSetCore::columnOf(const Variant& key) const {
  const auto& columns = result.columns;
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
      const std::u16string& name = *key.stringIf();
      for (std::size_t i = 0; i < columns.size(); ++i) {
        if (automation::equalsIgnoringAsciiCase(columns[i], name)) return i;
      }
      raise(ErrorCode::kComponentFailure, "no field named '" + automation::toUtf8(name) + "'");
    }
    default:
      raise(ErrorCode::kTypeMismatch, "a field is chosen by name or by index");
  }
}

Variant RecordSetObject::bof() {
  core_.requireOpen();
  return Variant(core_.result.rows.empty());
}

Variant RecordSetObject::eof() {
  core_.requireOpen();
  return Variant(core_.atEnd());
}

Variant RecordSetObject::fields() {
  core_.requireOpen();
  return Variant(core_.share(core_.fields));
}

Variant RecordSetObject::recordCount() {
  core_.requireOpen();
  return Variant(static_cast<std::int32_t>(core_.result.rows.size()));
}

Variant RecordSetObject::moveNext() {
  core_.requireOpen();
  if (core_.atEnd()) raise(ErrorCode::kComponentFailure, "MoveNext past the last record");
  ++core_.position;
  return Variant();
}

Variant RecordSetObject::moveFirst() {
  core_.requireOpen();
  core_.position = 0;
  return Variant();
}

Variant RecordSetObject::close() {
  core_.requireOpen();
  core_.closed = true;
  core_.result.rows = {};
  return Variant();
}

Variant FieldsObject::item(std::span<Argument> args) {
  core_.requireOpen();
  return Variant(core_.share(core_.field(core_.columnOf(args[0].value()))));
}

Variant FieldsObject::count() {
  core_.requireOpen();
  return Variant(static_cast<std::int32_t>(core_.result.columns.size()));
}

Variant FieldObject::value() {
  core_.requireOpen();
  if (core_.atEnd()) raise(ErrorCode::kComponentFailure, "no current record (BOF or EOF is true)");
  return core_.result.rows[core_.position][column_];
}

Variant FieldObject::name() {
  core_.requireOpen();
  return Variant(core_.result.columns[column_]);
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
  auto core = std::make_shared<RecordSetCore>(std::move(rows));
  return core->share(core->recordSet);
}

}  // namespace tarn::erp
