// Late-bound calls through table-declared objects, and the component factory.
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

}  // namespace
}  // namespace tarn::automation
