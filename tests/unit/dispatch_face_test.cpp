// The component's late-bound face and its publication: members by name and by dispatch id,
// argument checks, by-reference results, the class factory and the unload rule.
#include "component/dispatch_face.h"

#include <gtest/gtest.h>

#include "component/clsVelloc.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/factory.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/component/entry_points.h"
#include "tests/kit/fake_world.h"
#include "tests/kit/reference_outputs.h"

namespace tarn::testing {
namespace {

using automation::Argument;
using automation::CallKind;
using automation::ErrorCode;
using automation::ObjectRef;
using automation::Variant;

automation::ErrorCode failureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const automation::AutomationError& e) {
    return e.code();
  }
  ADD_FAILURE() << "no failure raised";
  return ErrorCode::kComponentFailure;
}

class DispatchFaceTest : public ::testing::Test {
 protected:
  FakeWorld world;
  ObjectRef face = velloc::makeDispatchFace(std::make_shared<velloc::clsVelloc>());
};

TEST_F(DispatchFaceTest, NamesMapToTheirFixedDispatchIds) {
  const std::pair<const char16_t*, automation::DispId> members[] = {
      {u"g_oArDbSrv", 0x40030000},     {u"G_OVODBSRV", 0x40030001},
      {u"g_ColSet", 0x40030002},       {u"g_oRowAuth", 0x40030003},
      {u"Init", 0x60030000},           {u"getrefsql", 0x60030001},
      {u"ValidateAr", 0x60030002},     {u"GetFreeRefSQL", 0x60030003},
      {u"ValidateFreeAr", 0x60030004}, {u"GetStruFreeRefSQL", 0x60030005},
  };
  for (const auto& [name, id] : members) {
    SCOPED_TRACE(automation::toUtf8(name));
    EXPECT_EQ(face->idOfName(name), id);
  }
  EXPECT_EQ(failureOf([&] { face->idOfName(u"Validate"); }), ErrorCode::kUnknownOperation);
}

TEST_F(DispatchFaceTest, InitAndThePropertiesWorkByNameAndById) {
  EXPECT_EQ(face->call(u"Init", {Argument::byValue(u"conn"), Argument::byValue(u"u01")}),
            Variant(true));
  EXPECT_EQ(face->call(u"g_oArDbSrv").toObject(), world.archiveData);
  std::vector<Argument> none;
  EXPECT_EQ(face->invoke(0x40030003, CallKind::Call, none).toObject(), world.rowAuth);

  std::vector<Argument> nothing{Argument::byValue(ObjectRef())};
  face->invoke(0x40030002, CallKind::PropertySet, nothing);
  EXPECT_EQ(face->call(u"g_ColSet").toObject(), nullptr);

  std::vector<Argument> notAnObject{Argument::byValue(u"text")};
  EXPECT_EQ(failureOf([&] { face->invoke(0x40030002, CallKind::PropertySet, notAnObject); }),
            ErrorCode::kObjectRequired);
}

TEST_F(DispatchFaceTest, WrongArgumentCountsAndUnknownIdsFail) {
  EXPECT_EQ(failureOf([&] { face->call(u"Init", {Argument::byValue(u"conn")}); }),
            ErrorCode::kWrongArgumentCount);
  std::vector<Argument> none;
  EXPECT_EQ(failureOf([&] { face->invoke(0x60030009, CallKind::Call, none); }),
            ErrorCode::kUnknownOperation);
  EXPECT_EQ(failureOf([&] { face->invoke(0x60030000, CallKind::PropertySet, none); }),
            ErrorCode::kUnknownOperation);
}

TEST_F(DispatchFaceTest, ValidationResultsAndByReferenceValuesComeBack) {
  Variant value(u"  typed  ");
  const Variant code =
      face->call(u"ValidateFreeAr",
                 {Argument::byValue(u"xfree1"), Argument::byRef(value), Argument::byValue(true)});
  EXPECT_EQ(code, Variant(std::int16_t{-2}));
  EXPECT_EQ(value, Variant(u"  typed  "));
}

TEST_F(DispatchFaceTest, AFailedReferenceLeavesTheCallersVariantsAsTheyWere) {
  // Each refused before it writes anything: an unknown source, names that are no free items.
  const std::pair<const char16_t*, std::vector<Variant>> refusals[] = {
      {u"GetRefSQL",
       {Variant(std::int16_t{3}), Variant(std::int16_t{0}), Variant(u""), Variant(u""),
        Variant(u""), Variant(u""), Variant(u"")}},
      {u"GetFreeRefSQL", {Variant(u"cfre"), Variant(u"")}},
      {u"GetStruFreeRefSQL", {Variant(u"P01"), Variant(u"cfre"), Variant(u"")}},
  };
  for (const auto& [method, inputs] : refusals) {
    SCOPED_TRACE(automation::toUtf8(method));
    const ReferenceOutputs caller;
    Variant sql;  // Empty: a face that wrote back the unchanged text would leave a String
    Variant colSet(caller.sRefColSet);
    Variant width(caller.sRefColWidth);
    std::vector<Argument> args;
    for (const auto& input : inputs) args.push_back(Argument::byValue(input));
    args.push_back(Argument::byRef(sql));
    args.push_back(Argument::byRef(colSet));
    args.push_back(Argument::byRef(width));
    EXPECT_EQ(face->call(method, args), Variant(false));
    EXPECT_TRUE(sql.isEmpty());
    EXPECT_EQ(colSet, Variant(caller.sRefColSet));
    EXPECT_EQ(width, caller.sRefColWidth);
  }
}

class EntryPointTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = automation::ComponentRegistry::global().snapshot(); }
  void TearDown() override { automation::ComponentRegistry::global().restore(saved_); }

 private:
  automation::ComponentRegistry::Snapshot saved_;
};

TEST_F(EntryPointTest, RegistrationMakesTheClassCreatableByItsProgId) {
  auto& registry = automation::ComponentRegistry::global();
  EXPECT_EQ(velloc::DllRegisterServer(), velloc::kOk);
  EXPECT_EQ(registry.classIdOf(u"TarnVelloc.clsVelloc"), velloc::kClassId);
  const ObjectRef object = automation::CreateObject(u"tarnvelloc.CLSVELLOC");
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->idOfName(u"Init"), velloc::kDispIdInit);

  EXPECT_EQ(velloc::DllUnregisterServer(), velloc::kOk);
  EXPECT_FALSE(registry.classIdOf(u"TarnVelloc.clsVelloc").has_value());
  EXPECT_EQ(failureOf([] { automation::CreateObject(u"TarnVelloc.clsVelloc"); }),
            ErrorCode::kCannotCreateObject);
}

TEST_F(EntryPointTest, TheFixedIdentitiesReadAsTheyWereChosen) {
  EXPECT_EQ(velloc::kClassId.toString(), "{AC198B38-EAC1-4786-A55E-C27987EF321C}");
  EXPECT_EQ(velloc::kTypeLibraryId.toString(), "{18AEAFA8-DDF8-4622-83E7-FA933C3DB99B}");
  EXPECT_EQ(velloc::kInterfaceId.toString(), "{93B286A6-0143-4C29-832F-445F4E7ED651}");
  EXPECT_EQ(automation::Guid::parse("{ac198b38-eac1-4786-a55e-c27987ef321c}"), velloc::kClassId);
  EXPECT_FALSE(automation::Guid::parse("AC198B38-EAC1-4786-A55E").has_value());
}

TEST_F(EntryPointTest, UnloadIsAllowedOnlyWithoutObjectsAndLocks) {
  ObjectRef factory;
  EXPECT_EQ(velloc::DllGetClassObject(velloc::kInterfaceId, factory), velloc::kClassNotAvailable);
  EXPECT_EQ(factory, nullptr);
  ASSERT_EQ(velloc::DllGetClassObject(velloc::kClassId, factory), velloc::kOk);
  EXPECT_EQ(velloc::DllCanUnloadNow(), velloc::kOk);

  ObjectRef object = factory->call(u"CreateInstance").toObject();
  EXPECT_EQ(velloc::DllCanUnloadNow(), velloc::kFalse);
  object.reset();
  EXPECT_EQ(velloc::DllCanUnloadNow(), velloc::kOk);

  factory->call(u"LockServer", {Argument::byValue(true)});
  EXPECT_EQ(velloc::DllCanUnloadNow(), velloc::kFalse);
  factory->call(u"LockServer", {Argument::byValue(false)});
  EXPECT_EQ(velloc::DllCanUnloadNow(), velloc::kOk);
}

}  // namespace
}  // namespace tarn::testing
