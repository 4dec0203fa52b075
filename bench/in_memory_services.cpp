#include "bench/in_memory_services.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "erp/objects/record_set_object.h"
#include "tarnvelloc/automation/dispatch_object.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/components.h"

namespace tarn::bench {

using automation::Argument;
using automation::DispatchObject;
using automation::memberMethod;
using automation::memberProperty;
using automation::ObjectRef;
using automation::OperationTable;
using automation::Variant;

namespace {

// The questions the component asks its outside components, answered from memory.
constexpr std::array<std::u16string_view, 10> kQuestions{
    u"OpenX",     u"GetFieldNames", u"getColInfo",      u"GetSqlString", u"GetOrderString",
    u"getColSet", u"GetAuthString", u"GetJoinTableStr", u"GetResString", u"Execute"};

// The set-up operations, which reach the real component while the world learns.
constexpr char16_t kInit[] = u"Init";
constexpr char16_t kOpen[] = u"Open";
constexpr char16_t kClose[] = u"Close";
constexpr char16_t kAdd[] = u"Add";

// A learnt answer: a value, or the rows of a record set.
struct Answer {
  Variant value;
  bool rows = false;
  erp::ResultSet resultSet;
};

erp::ResultSet rowsOf(const ObjectRef& recordSet) {
  erp::ResultSet result;
  const auto fields = recordSet->call(u"Fields").toObject();
  const std::int32_t count = fields->call(u"Count").toLong();
  std::vector<ObjectRef> columns;
  for (std::int32_t i = 0; i < count; ++i) {
    columns.push_back(fields->call(u"Item", {Argument::byValue(Variant(i))}).toObject());
    result.columns.push_back(columns.back()->call(u"Name").toString());
  }
  while (!recordSet->call(u"EOF").toBoolean()) {
    auto& row = result.rows.emplace_back();
    for (const auto& column : columns) row.push_back(column->call(u"Value"));
    recordSet->call(u"MoveNext");
  }
  return result;
}

}  // namespace

struct InMemoryWorld::State {
  automation::ComponentRegistry real;
  bool sealed = false;
  // The questions of one call of the measured method, in the order asked, with their answers;
  // the timed calls ask the same questions in the same order, and are answered in turn.
  struct Learnt {
    std::size_t question;
    Answer answer;
  };
  std::vector<Learnt> answers;
  std::size_t next = 0;
};

namespace {

class InMemoryService final : public DispatchObject {
 public:
  InMemoryService(std::shared_ptr<InMemoryWorld::State> world, std::u16string_view progId)
      : DispatchObject(operations()), world_(std::move(world)) {
    if (!world_->sealed) real_ = world_->real.create(progId);
  }

 private:
  static const OperationTable& operations() {
    static const OperationTable table({
        memberMethod<&InMemoryService::setUp<kInit>>(kInit, 1, 2),
        memberMethod<&InMemoryService::setUp<kOpen>>(kOpen, 1, 4),
        memberMethod<&InMemoryService::setUp<kClose>>(kClose, 0),
        memberMethod<&InMemoryService::setUp<kAdd>>(kAdd, 3),
        memberProperty<&InMemoryService::status>(u"Status"),
        memberMethod<&InMemoryService::answer<0>>(kQuestions[0], 1, 3),
        memberMethod<&InMemoryService::answer<1>>(kQuestions[1], 3),
        memberMethod<&InMemoryService::answer<2>>(kQuestions[2], 2),
        memberMethod<&InMemoryService::answer<3>>(kQuestions[3], 1),
        memberMethod<&InMemoryService::answer<4>>(kQuestions[4], 1),
        memberMethod<&InMemoryService::answer<5>>(kQuestions[5], 2),
        memberMethod<&InMemoryService::answer<6>>(kQuestions[6], 1),
        memberMethod<&InMemoryService::answer<7>>(kQuestions[7], 1),
        memberMethod<&InMemoryService::answer<8>>(kQuestions[8], 1),
        memberMethod<&InMemoryService::answer<9>>(kQuestions[9], 1, 3),
    });
    return table;
  }

  template <const char16_t* Name>
  Variant setUp(std::span<Argument> args) {
    return real_ ? real_->call(Name, args) : Variant();
  }

  Variant status() { return Variant(true); }

  template <std::size_t Index>
  Variant answer(std::span<Argument> args) {
    auto& world = *world_;
    if (!world.sealed) {
      world.answers.push_back({Index, learn(kQuestions[Index], args)});
      return answerWith(world.answers.back().answer);
    }
    const auto& learnt = world.answers[world.next];
    world.next = (world.next + 1) % world.answers.size();
    if (learnt.question != Index) {
      std::fprintf(stderr, "in-memory services: %s asked out of the learnt order\n",
                   automation::toUtf8(kQuestions[Index]).c_str());
      std::abort();
    }
    return answerWith(learnt.answer);
  }

  static Variant answerWith(const Answer& known) {
    if (known.rows) return Variant(erp::makeRecordSetObject(known.resultSet));
    return known.value;
  }

  Answer learn(std::u16string_view question, std::span<Argument> args) {
    Variant result = real_->call(question, args);
    if (!result.isObject()) return Answer{std::move(result), false, {}};
    const ObjectRef recordSet = result.toObject();
    return Answer{Variant(), true, rowsOf(recordSet)};
  }

  std::shared_ptr<InMemoryWorld::State> world_;
  ObjectRef real_;
};

constexpr std::array<std::u16string_view, 7> kProgIds{
    u"TarnDataSvc.IDataSvc",     u"TarnVoucherSvc.IVoucherSvc", u"TarnColumnSvc.IColumnSvc",
    u"TarnColSetSvc.IColumnSvc", u"TarnRowAuthSvc.IRowAuth",    u"TarnUtil.IUtil",
    u"ADODB.Connection"};

}  // namespace

InMemoryWorld::InMemoryWorld()
    : saved_(automation::ComponentRegistry::global().snapshot()),
      state_(std::make_shared<State>()) {
  erp::registerComponents(state_->real);
  auto& global = automation::ComponentRegistry::global();
  for (const auto progId : kProgIds) {
    const auto clsid = state_->real.classIdOf(progId);
    global.registerClass(progId, *clsid, [state = state_, progId] {
      return ObjectRef(std::make_shared<InMemoryService>(state, progId));
    });
  }
}

InMemoryWorld::~InMemoryWorld() {
  automation::ComponentRegistry::global().restore(std::move(saved_));
}

void InMemoryWorld::seal() { state_->sealed = true; }

}  // namespace tarn::bench
