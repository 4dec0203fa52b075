// Late-bound calls through table-declared objects (an object's own table or its class's), and
// the component factory.
#include <gtest/gtest.h>

#include "tarnvelloc/automation/dispatch_object.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/factory.h"

namespace tarn::automation {
namespace {

using Args = std::span<Argument>;

ErrorCode failureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const AutomationError& e) {
    return e.code();
  }
  ADD_FAILURE() << "no failure raised";
  return ErrorCode::kComponentFailure;
}

std::shared_ptr<DispatchObject> counter() {
  auto count = std::make_shared<int>(0);
  return std::make_shared<DispatchObject>(std::vector<Operation>{
      method(u"Add", 1, 2,
             [count](Args a) {
               *count += a[0].value().toInteger();
               if (a.size() == 2) a[1].value() = Variant(std::int32_t{*count});
               return Variant(std::int16_t(*count));
             }),
      property(u"Count", [count] { return Variant(std::int32_t{*count}); }),
      propertySet(u"Count",
                  [count](Args a) {
                    *count = a[0].value().toInteger();
                    return Variant();
                  }),
  });
}

TEST(DispatchObjectTest, CallsByNameIgnoringAsciiCase) {
  auto object = counter();
  EXPECT_EQ(object->call(u"add", {Argument::byValue(std::int16_t{2})}), Variant(std::int16_t{2}));
  EXPECT_EQ(object->call(u"COUNT"), Variant(std::int32_t{2}));
}

TEST(DispatchObjectTest, ByReferenceArgumentsComeBackReplacedAndByValueOnesDoNot) {
  auto object = counter();
  Variant seen(u"untouched");
  object->call(u"Add", {Argument::byValue(std::int16_t{5}), Argument::byRef(seen)});
  EXPECT_EQ(seen, Variant(std::int32_t{5}));

  Variant copy(u"untouched");
  object->call(u"Add", {Argument::byValue(std::int16_t{1}), Argument::byValue(copy)});
  EXPECT_EQ(copy, Variant(u"untouched"));
}

TEST(DispatchObjectTest, APropertyGetAndSetShareOneId) {
  auto object = counter();
  const DispId id = object->idOfName(u"Count");
  std::vector<Argument> value{Argument::byValue(std::int16_t{9})};
  object->invoke(id, CallKind::PropertySet, value);
  std::vector<Argument> none;
  EXPECT_EQ(object->invoke(id, CallKind::Call, none), Variant(std::int32_t{9}));
  EXPECT_NE(object->idOfName(u"Add"), id);
}

TEST(DispatchObjectTest, UnknownNamesAndWrongCountsFail) {
  auto object = counter();
  EXPECT_EQ(failureOf([&] { object->call(u"Remove"); }), ErrorCode::kUnknownOperation);
  EXPECT_EQ(failureOf([&] { object->call(u"Add"); }), ErrorCode::kWrongArgumentCount);
  EXPECT_EQ(failureOf([&] {
              object->call(u"Add", {Argument::byValue(std::int16_t{1}), Argument::byValue(1),
                                    Argument::byValue(1)});
            }),
            ErrorCode::kWrongArgumentCount);
  EXPECT_EQ(failureOf([&] { object->call(u"Count", {Argument::byValue(1)}); }),
            ErrorCode::kWrongArgumentCount);
  EXPECT_EQ(failureOf([] { callOn(ObjectRef(), u"Count"); }), ErrorCode::kObjectNotSet);
}

// Objects whose operations are one table shared by their class: each object answers with its
// own state, and names, ids and argument counts behave as in an object's own table.
class Tally final : public DispatchObject {
 public:
  Tally() : DispatchObject(operations()) {}

  static int tablesBuilt;

 private:
  static const OperationTable& operations() {
    static const OperationTable table = [] {
      ++tablesBuilt;
      return OperationTable({
          memberMethod<&Tally::add>(u"Add", 1, 2),
          memberProperty<&Tally::total>(u"Total"),
          memberMethod<&Tally::reset>(u"Reset", 0),
          {u"Total", CallKind::PropertySet, 1, 1, &setTotal, 0},
      });
    }();
    return table;
  }

  Variant add(std::span<Argument> args) {
    total_ += args[0].value().toLong();
    if (args.size() == 2) args[1].value() = Variant(total_);
    return Variant(total_);
  }
  Variant total() { return Variant(total_); }
  Variant reset() {
    total_ = 0;
    return Variant();
  }
  static Variant setTotal(Object& self, std::span<Argument> args) {
    static_cast<Tally&>(self).total_ = args[0].value().toLong();
    return Variant();
  }

  std::int32_t total_ = 0;
};

int Tally::tablesBuilt = 0;

TEST(OperationTableTest, ObjectsShareTheTableAndKeepTheirOwnState) {
  Tally first;
  Tally second;
  first.call(u"add", {Argument::byValue(std::int32_t{5})});
  Variant seen;
  second.call(u"ADD", {Argument::byValue(std::int32_t{2}), Argument::byRef(seen)});
  EXPECT_EQ(first.call(u"Total"), Variant(std::int32_t{5}));
  EXPECT_EQ(seen, Variant(std::int32_t{2}));
  EXPECT_EQ(Tally::tablesBuilt, 1);
}

TEST(OperationTableTest, IdsFollowTheTableAndAPropertysHalvesShareOne) {
  Tally tally;
  EXPECT_EQ(tally.idOfName(u"Add"), 1);
  EXPECT_EQ(tally.idOfName(u"total"), 2);
  EXPECT_EQ(tally.idOfName(u"Reset"), 3);
  std::vector<Argument> value{Argument::byValue(std::int32_t{9})};
  tally.invoke(2, CallKind::PropertySet, value);
  std::vector<Argument> none;
  EXPECT_EQ(tally.invoke(2, CallKind::Call, none), Variant(std::int32_t{9}));
}

TEST(OperationTableTest, UnknownNamesIdsKindsAndWrongCountsFail) {
  Tally tally;
  std::vector<Argument> none;
  std::vector<Argument> three{Argument::byValue(1), Argument::byValue(2), Argument::byValue(3)};
  EXPECT_EQ(failureOf([&] { tally.call(u"Remove"); }), ErrorCode::kUnknownOperation);
  EXPECT_EQ(failureOf([&] { tally.invoke(7, CallKind::Call, none); }),
            ErrorCode::kUnknownOperation);
  EXPECT_EQ(failureOf([&] { tally.invoke(1, CallKind::PropertySet, none); }),
            ErrorCode::kUnknownOperation);
  EXPECT_EQ(failureOf([&] { tally.call(u"Add"); }), ErrorCode::kWrongArgumentCount);
  EXPECT_EQ(failureOf([&] { tally.call(u"Add", three); }), ErrorCode::kWrongArgumentCount);
  EXPECT_EQ(failureOf([&] { tally.call(u"Total", {Argument::byValue(1)}); }),
            ErrorCode::kWrongArgumentCount);
}

TEST(OperationTableTest, AFixedIdIsKeptAndTheOthersCountFromOne) {
  const auto now = [](Object&, std::span<Argument>) { return Variant(u"now"); };
  const auto later = [](Object&, std::span<Argument>) { return Variant(u"later"); };
  const OperationTable table(
      {{u"Now", CallKind::Call, 0, 0, now, 42}, {u"Later", CallKind::Call, 0, 0, later, 0}});
  EXPECT_EQ(table.idOfName(u"NOW"), 42);
  EXPECT_EQ(table.idOfName(u"later"), 1);
  Tally anyObject;
  std::vector<Argument> none;
  EXPECT_EQ(table.operation(42, CallKind::Call, 0).handler(anyObject, none), Variant(u"now"));
  EXPECT_EQ(table.operation(1, CallKind::Call, 0).handler(anyObject, none), Variant(u"later"));
}

TEST(OperationTableTest, ManyArgumentsStillReachTheCallee) {
  std::vector<Variant> received;
  DispatchObject object(std::vector<Operation>{method(u"Take", 0, 8, [&](std::span<Argument> args) {
    for (auto& arg : args) received.push_back(arg.value());
    return Variant(static_cast<std::int32_t>(args.size()));
  })});
  EXPECT_EQ(object.call(u"Take", {Argument::byValue(1), Argument::byValue(2), Argument::byValue(3),
                                  Argument::byValue(4), Argument::byValue(5), Argument::byValue(6),
                                  Argument::byValue(7)}),
            Variant(std::int32_t{7}));
  EXPECT_EQ(received.back(), Variant(std::int32_t{7}));
  EXPECT_EQ(object.call(u"Take"), Variant(std::int32_t{0}));
}

class ComponentRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = registry.snapshot(); }
  void TearDown() override { registry.restore(saved_); }
  ComponentRegistry& registry = ComponentRegistry::global();

 private:
  ComponentRegistry::Snapshot saved_;
};

TEST_F(ComponentRegistryTest, CreatesByProgIdThroughTheClassId) {
  const Guid clsid{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  registry.registerClass(u"Tarn.Counter", clsid, [] { return ObjectRef(counter()); });
  EXPECT_EQ(registry.classIdOf(u"tarn.counter"), clsid);
  EXPECT_NE(CreateObject(u"TARN.COUNTER"), nullptr);
  EXPECT_NE(registry.create(clsid), nullptr);
}

TEST_F(ComponentRegistryTest, CreatorsMayRaiseOrGiveNothing) {
  registry.registerClass(u"Tarn.Nothing", Guid{7, 0, 0, {}}, [] { return ObjectRef(); });
  registry.registerClass(u"Tarn.Broken", Guid{8, 0, 0, {}}, []() -> ObjectRef {
    raise(ErrorCode::kComponentFailure, "cannot start");
  });
  EXPECT_EQ(CreateObject(u"Tarn.Nothing"), nullptr);
  EXPECT_EQ(failureOf([] { CreateObject(u"Tarn.Broken"); }), ErrorCode::kComponentFailure);
  EXPECT_EQ(failureOf([] { CreateObject(u"Tarn.Unknown"); }), ErrorCode::kCannotCreateObject);
}

TEST_F(ComponentRegistryTest, UnregisteringRemovesEveryProgIdOfTheClass) {
  const Guid clsid{9, 0, 0, {}};
  registry.registerClass(u"Tarn.Current", clsid, [] { return ObjectRef(counter()); });
  registry.registerClass(u"Tarn.Earlier", clsid, [] { return ObjectRef(counter()); });
  registry.unregisterClass(clsid);
  EXPECT_FALSE(registry.classIdOf(u"Tarn.Current").has_value());
  EXPECT_FALSE(registry.classIdOf(u"Tarn.Earlier").has_value());
  EXPECT_FALSE(registry.isRegistered(clsid));
}

TEST_F(ComponentRegistryTest, FallbackCreatesOnlyWhatNoClassIsRegisteredFor) {
  registry.registerClass(u"Tarn.Here", Guid{10, 0, 0, {}}, [] { return ObjectRef(counter()); });
  std::vector<std::u16string> asked;
  registry.setFallback([&](std::u16string_view progId) -> ObjectRef {
    asked.emplace_back(progId);
    if (progId == u"Tarn.Missing") raise(ErrorCode::kCannotCreateObject, "not registered");
    return counter();
  });
  EXPECT_NE(CreateObject(u"tarn.here"), nullptr);
  EXPECT_NE(CreateObject(u"Tarn.Elsewhere"), nullptr);
  EXPECT_EQ(failureOf([] { CreateObject(u"Tarn.Missing"); }), ErrorCode::kCannotCreateObject);
  registry.setFallback(nullptr);
  EXPECT_EQ(failureOf([] { CreateObject(u"Tarn.Elsewhere"); }), ErrorCode::kCannotCreateObject);
  EXPECT_EQ(asked, (std::vector<std::u16string>{u"Tarn.Elsewhere", u"Tarn.Missing"}));
}

}  // namespace
}  // namespace tarn::automation
