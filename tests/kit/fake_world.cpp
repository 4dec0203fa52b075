#include "tests/kit/fake_world.h"

#include <gtest/gtest.h>

#include "component/prog_ids.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::testing {

using automation::Argument;
using automation::Variant;
using Args = std::span<Argument>;

namespace {

FakeComponent::Handler returning(Variant v) {
  return [v](Args) { return v; };
}

}  // namespace

FakeWorld::FakeWorld() : saved_(automation::ComponentRegistry::global().snapshot()) {
  auto noRows = [this](Args) { return Variant(recordSets.empty()); };

  util = std::make_shared<FakeComponent>("Util", log);
  util->on(u"GetJoinTableStr", 1, [](Args a) { return Variant(a[0].value().toString()); })
      .on(u"GetResString", 1, returning(Variant(u"存货自由项")));

  archiveData = std::make_shared<FakeComponent>("ArDb", log);
  archiveData->on(u"Init", 1, returning(Variant()))
      .on(u"Status", 0, returning(Variant(true)))
      .on(u"OpenX", 1, noRows)
      .on(u"Add", 3, returning(Variant(true)));

  columnSettings = std::make_shared<FakeComponent>("ColSet", log);
  columnSettings->on(u"Init", 2, returning(Variant()))
      .on(u"getColInfo", 2, [](Args a) { return Variant(u"info:" + a[0].value().toString()); })
      .on(u"GetSqlString", 1, returning(Variant(u"A.cValue, A.cAlias")))
      .on(u"GetOrderString", 1, returning(Variant(u"")))
      .on(u"getColSet", 2, noRows);

  voucherData = std::make_shared<FakeComponent>("VoDb", log);
  voucherData->on(u"Init", 1, returning(Variant()))
      .on(u"Status", 0, returning(Variant(true)))
      .on(u"OpenX", 1, 3, noRows)
      .on(u"GetFieldNames", 3, noRows);

  rowAuth = std::make_shared<FakeComponent>("RowAuth", log);
  rowAuth->on(u"Init", 2, returning(Variant())).on(u"GetAuthString", 1, returning(Variant(u"")));

  connection = std::make_shared<FakeComponent>("Conn", log);
  connection->on(u"Open", 4, returning(Variant()))
      .on(u"Execute", 3, noRows)
      .on(u"Close", 0, returning(Variant()));

  registerFake(velloc::kUtilityProgId, util);
  registerFake(velloc::kArchiveDataProgId, archiveData);
  registerFake(velloc::kColumnSettingsProgId, columnSettings);
  registerFake(velloc::kVoucherDataProgId, voucherData);
  registerFake(velloc::kRowAuthorisationProgId, rowAuth);
  registerFake(velloc::kConnectionProgId, connection);
}

FakeWorld::~FakeWorld() { automation::ComponentRegistry::global().restore(std::move(saved_)); }

void FakeWorld::registerFake(std::u16string_view progId,
                             const std::shared_ptr<FakeComponent>& fake) {
  static std::uint32_t nextId = 0xFA0000;
  const automation::Guid clsid{++nextId, 0, 0, {}};
  const std::u16string name(progId);
  automation::ComponentRegistry::global().registerClass(
      progId, clsid, [this, name, weak = std::weak_ptr<FakeComponent>(fake)]() {
        log.recordLine("create " + automation::toUtf8(name));
        const auto it = creation_.find(automation::asciiLower(name));
        const Creation how = it == creation_.end() ? Creation::kFake : it->second;
        if (how == Creation::kRaise) {
          automation::raise(automation::ErrorCode::kCannotCreateObject, "injected");
        }
        if (how == Creation::kNull) return automation::ObjectRef();
        return automation::ObjectRef(weak.lock());
      });
}

void FakeWorld::setCreation(std::u16string_view progId, Creation creation) {
  creation_[automation::asciiLower(progId)] = creation;
}

std::shared_ptr<velloc::clsVelloc> FakeWorld::makeComponent() {
  return std::make_shared<velloc::clsVelloc>();
}

std::shared_ptr<velloc::clsVelloc> FakeWorld::makeReadyComponent() {
  auto component = makeComponent();
  EXPECT_TRUE(component->Init(u"Provider=Fake", u"demo"));
  log.clear();
  return component;
}

}  // namespace tarn::testing
