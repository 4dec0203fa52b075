#include "fuzz/support/in_memory_world.h"

#include <map>
#include <utility>

#include "component/prog_ids.h"
#include "fuzz/support/fuzz_text.h"
#include "tarnvelloc/automation/dispatch_object.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::fuzz {
namespace {

using automation::Argument;
using automation::DispatchObject;
using automation::ErrorCode;
using automation::method;
using automation::ObjectRef;
using automation::Operation;
using automation::property;
using automation::Variant;
using Args = std::span<Argument>;

const std::vector<std::u16string> kTables = {u"Person",     u"customer", u"INVENTORY",
                                             u"Department", u"T_Orders", u"UserDefine"};
const std::vector<std::u16string> kFields = {u"cPersonName", u"cName", u"cCode", u"iQuantity"};
const std::vector<std::u16string> kSelectLists = {u"A.cValue, A.cAlias", u" cValue ", u"",
                                                  u"A.cValue,A.cAlias,A.cBarCode"};
const std::vector<std::u16string> kConditions = {u"", u"where bOk = 1", u"WHERE iType=2 or iType=3",
                                                 u"iType = 2"};
const std::vector<std::u16string> kOrders = {u"", u"cValue", u"  "};
const std::vector<std::u16string> kAuthAnswers = {u"", u"1=2", u"1,2"};
const std::vector<std::u16string> kTypes = {u"文本", u"数字", u"整型", u"日期", u"备注"};

std::vector<std::u16string> joined(std::initializer_list<std::vector<std::u16string>> lists) {
  std::vector<std::u16string> all;
  for (const auto& list : lists) all.insert(all.end(), list.begin(), list.end());
  return all;
}

}  // namespace

const std::vector<std::u16string> kConfiguration =
    joined({kTables, kFields, kSelectLists, kConditions, kOrders, kAuthAnswers});

struct InMemoryWorld::State {
  FuzzedDataProvider& input;
  InMemoryWorld& world;
  std::vector<std::weak_ptr<automation::Object>> sets;

  void maybeRaise() {
    if (input.ConsumeIntegralInRange(0, 31) == 31) {
      automation::raise(ErrorCode::kComponentFailure, "injected failure");
    }
  }
  Variant pick(const std::vector<std::u16string>& list) {
    return Variant(list[input.ConsumeIntegralInRange<std::size_t>(0, list.size() - 1)]);
  }
  Variant pickOrNull(const std::vector<std::u16string>& list) {
    return input.ConsumeIntegralInRange(0, 7) == 7 ? Variant::null() : pick(list);
  }
  std::u16string text() { return fuzzText(input.ConsumeRandomLengthString(24)); }
  Variant anyValue() {
    switch (input.ConsumeIntegralInRange(0, 5)) {
      case 0:
        return Variant(text());
      case 1:
        return Variant::null();
      case 2:
        return Variant(false);
      case 3:
        return Variant(true);
      case 4:
        return Variant(input.ConsumeIntegral<std::int16_t>());
      default:
        return Variant(input.ConsumeIntegral<std::int32_t>());
    }
  }
  // `key`: a field name lower-cased, or '#' and a position.
  Variant fieldValue(const std::u16string& key) {
    if (key == u"bttblname") return pick(kTables);
    if (key == u"cdefwhere") return pickOrNull(kConditions);
    if (key == u"fieldname") return pick(kFields);
    if (key == u"ctype") return input.ConsumeBool() ? anyValue() : pick(kTypes);
    if (key == u"#0" && input.ConsumeBool()) return Variant(input.ConsumeIntegralInRange(0, 1));
    return anyValue();
  }
  Variant recordSet();
};

namespace {

class FuzzRecordSet final : public DispatchObject {
 public:
  FuzzRecordSet(InMemoryWorld::State& state, int rows) : state_(state), rows_(rows) {
    declare({
        property(u"BOF",
                 [this] {
                   open();
                   return Variant(rows_ == 0);
                 }),
        property(u"EOF",
                 [this] {
                   open();
                   return Variant(row_ >= rows_);
                 }),
        property(u"Fields",
                 [this] {
                   open();
                   return Variant(fields());
                 }),
        method(u"MoveNext", 0,
               [this](Args) {
                 open();
                 if (row_ >= rows_) automation::raise(ErrorCode::kComponentFailure, "at EOF");
                 ++row_;
                 return Variant();
               }),
        method(u"Close", 0,
               [this](Args) {
                 open();
                 closed_ = true;
                 return Variant();
               }),
    });
  }

 private:
  void open() {
    state_.maybeRaise();
    if (closed_) automation::raise(ErrorCode::kComponentFailure, "record set is closed");
  }

  ObjectRef fields() {
    return std::make_shared<DispatchObject>(
        std::vector<Operation>{method(u"Item", 1, [this](Args a) {
          open();
          if (row_ >= rows_) automation::raise(ErrorCode::kComponentFailure, "no current row");
          const Variant& key = a[0].value();
          std::u16string name = key.type() == Variant::Type::String
                                    ? automation::asciiLower(key.toString())
                                    : u"#" + Variant(key.toLong()).toString();
          auto found = values_.find({row_, name});
          if (found == values_.end()) {
            found = values_.emplace(std::make_pair(row_, name), state_.fieldValue(name)).first;
          }
          const Variant value = found->second;
          return Variant(ObjectRef(std::make_shared<DispatchObject>(
              std::vector<Operation>{property(u"Value", [value] { return value; })})));
        })});
  }

  InMemoryWorld::State& state_;
  int rows_;
  int row_ = 0;
  bool closed_ = false;
  std::map<std::pair<int, std::u16string>, Variant> values_;
};

}  // namespace

Variant InMemoryWorld::State::recordSet() {
  switch (input.ConsumeIntegralInRange(0, 15)) {
    case 14:
      return Variant::null();
    case 15:
      return Variant(u"not a record set");
    default:
      break;
  }
  auto set = std::make_shared<FuzzRecordSet>(*this, input.ConsumeIntegralInRange(0, 2));
  sets.push_back(set);
  return Variant(ObjectRef(std::move(set)));
}

InMemoryWorld::InMemoryWorld(FuzzedDataProvider& input)
    : state_(std::make_shared<State>(State{input, *this, {}})),
      saved_(automation::ComponentRegistry::global().snapshot()) {
  State& s = *state_;
  // Every operation of a component may raise before it answers.
  auto op = [&s](std::u16string name, int minArgs, int maxArgs, auto answer) {
    return method(std::move(name), minArgs, maxArgs, [&s, answer](Args a) {
      s.maybeRaise();
      return Variant(answer(a));
    });
  };
  auto none = [](Args) { return Variant(); };
  auto statement = [&s](Args a) {
    s.world.statements.push_back(a[0].value().toString());
    return s.recordSet();
  };
  auto ready = [](Args) { return Variant(true); };

  const std::pair<std::u16string_view, std::vector<Operation>> components[] = {
      {velloc::kUtilityProgId,
       {op(u"GetJoinTableStr", 1, 1, [](Args a) { return a[0].value(); }),
        op(u"GetResString", 1, 1,
           [&s](Args) {
             if (s.input.ConsumeBool()) return Variant::null();
             s.world.resourceTexts.push_back(s.text());
             return Variant(s.world.resourceTexts.back());
           })}},
      {velloc::kArchiveDataProgId,
       {op(u"Init", 1, 1, none), op(u"Status", 0, 0, ready), op(u"OpenX", 1, 1, statement),
        op(u"Add", 3, 3,
           [&s](Args a) {
             s.world.records.push_back(a[0].value().toString());
             return s.input.ConsumeBool() ? Variant(s.input.ConsumeBool()) : s.anyValue();
           })}},
      {velloc::kColumnSettingsProgId,
       {op(u"Init", 2, 2, none), op(u"getColInfo", 2, 2, [](Args) { return Variant(u"info"); }),
        op(u"GetSqlString", 1, 1, [&s](Args) { return s.pick(kSelectLists); }),
        op(u"GetOrderString", 1, 1, [&s](Args) { return s.pick(kOrders); }),
        op(u"getColSet", 2, 2, [&s](Args) { return s.recordSet(); })}},
      {velloc::kVoucherDataProgId,
       {op(u"Init", 1, 1, none), op(u"Status", 0, 0, ready), op(u"OpenX", 1, 3, statement),
        op(u"GetFieldNames", 3, 3, [&s](Args) { return s.recordSet(); })}},
      {velloc::kRowAuthorisationProgId,
       {op(u"Init", 2, 2, none),
        op(u"GetAuthString", 1, 1, [&s](Args) { return s.pickOrNull(kAuthAnswers); })}},
      {velloc::kConnectionProgId,
       {op(u"Open", 4, 4, none), op(u"Execute", 3, 3, statement), op(u"Close", 0, 0, none)}},
  };
  std::uint32_t classNumber = 0xF0220000;
  for (const auto& [progId, operations] : components) {
    auto object = std::make_shared<DispatchObject>(operations);
    automation::ComponentRegistry::global().registerClass(
        progId, automation::Guid{++classNumber, 0, 0, {}}, [object] { return object; });
  }
}

InMemoryWorld::~InMemoryWorld() {
  automation::ComponentRegistry::global().restore(std::move(saved_));
}

int InMemoryWorld::liveRecordSets() const {
  int live = 0;
  for (const auto& set : state_->sets) live += set.expired() ? 0 : 1;
  return live;
}

}  // namespace tarn::fuzz
