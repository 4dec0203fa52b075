#include "tests/kit/fake_record_set.h"

#include "tarnvelloc/automation/dispatch_object.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::testing {
namespace {

using automation::Argument;
using automation::DispatchObject;
using automation::ErrorCode;
using automation::ObjectRef;
using automation::Variant;
using Args = std::span<Argument>;

class FakeRecordSet final : public DispatchObject {
 public:
  FakeRecordSet(Rows rows, std::shared_ptr<int> closeCount,
                std::shared_ptr<RecordSetTracker::Operations> operations)
      : rows_(std::move(rows)),
        closeCount_(std::move(closeCount)),
        operations_(std::move(operations)) {
    declare({
        automation::property(u"BOF",
                             [this] {
                               operations_->perform("BOF");
                               return Variant(open().values.empty());
                             }),
        automation::property(u"EOF",
                             [this] {
                               operations_->perform("EOF");
                               return Variant(row_ >= open().values.size());
                             }),
        automation::property(u"Fields",
                             [this] {
                               operations_->perform("Fields");
                               return Variant(fields());
                             }),
        automation::method(u"MoveNext", 0,
                           [this](Args) {
                             operations_->perform("MoveNext");
                             if (row_ >= open().values.size()) raise(ErrorCode::kComponentFailure);
                             ++row_;
                             return Variant();
                           }),
        automation::method(u"Close", 0,
                           [this](Args) {
                             operations_->perform("Close");
                             open();
                             closed_ = true;
                             ++*closeCount_;
                             return Variant();
                           }),
    });
  }

 private:
  const Rows& open() const {
    if (closed_) automation::raise(ErrorCode::kComponentFailure, "record set is closed");
    return rows_;
  }

  std::size_t columnOf(const Variant& key) const {
    if (key.type() == Variant::Type::String) {
      for (std::size_t i = 0; i < rows_.columns.size(); ++i) {
        if (automation::equalsIgnoringAsciiCase(rows_.columns[i], key.toString())) return i;
      }
      automation::raise(ErrorCode::kComponentFailure,
                        "no field " + automation::toUtf8(key.toString()));
    }
    const auto index = static_cast<std::size_t>(key.toLong());
    if (index >= rows_.columns.size()) automation::raise(ErrorCode::kComponentFailure);
    return index;
  }

  ObjectRef fields() {
    open();
    return std::make_shared<DispatchObject>(
        std::vector<automation::Operation>{automation::method(u"Item", 1, [this](Args args) {
          operations_->perform("Item");
          const std::size_t column = columnOf(args[0].value());
          if (row_ >= open().values.size()) {
            automation::raise(ErrorCode::kComponentFailure, "no current row");
          }
          const Variant value = rows_.values[row_][column];
          return Variant(
              ObjectRef(std::make_shared<DispatchObject>(std::vector<automation::Operation>{
                  automation::property(u"Value", [value, operations = operations_] {
                    operations->perform("Value");
                    return value;
                  })})));
        })});
  }

  Rows rows_;
  std::shared_ptr<int> closeCount_;
  std::shared_ptr<RecordSetTracker::Operations> operations_;
  std::size_t row_ = 0;
  bool closed_ = false;
};

}  // namespace

void RecordSetTracker::Operations::perform(const char* name) {
  names.emplace_back(name);
  if (raiseAt == static_cast<int>(names.size())) {
    automation::raise(ErrorCode::kComponentFailure, std::string("injected failure of ") + name);
  }
}

ObjectRef RecordSetTracker::make(Rows rows) {
  auto closeCount = std::make_shared<int>(0);
  auto set = std::make_shared<FakeRecordSet>(std::move(rows), closeCount, operations_);
  sets_.push_back({set, closeCount});
  return set;
}

ObjectRef RecordSetTracker::empty(std::vector<std::u16string> columns) {
  return make(Rows{std::move(columns), {}});
}

int RecordSetTracker::closed() const {
  int n = 0;
  for (const auto& s : sets_) n += *s.closeCount > 0 ? 1 : 0;
  return n;
}

int RecordSetTracker::alive() const {
  int n = 0;
  for (const auto& s : sets_) n += s.object.expired() ? 0 : 1;
  return n;
}

int RecordSetTracker::releasedWithoutClose() const {
  int n = 0;
  for (const auto& s : sets_) n += s.object.expired() && *s.closeCount == 0 ? 1 : 0;
  return n;
}

}  // namespace tarn::testing
