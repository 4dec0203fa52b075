// FakeWorld sets up, for one test, the five scripted outside components and the connection
// object, registered in the component factory under their ProgIDs (the previous registrations
// come back when the world goes). All share one CallLog and one RecordSetTracker.
//
// Default answers, until a test scripts others:
//   archive data  Init, Status True, OpenX -> no rows, Add True
//   voucher data  Init, Status True, OpenX (1 to 3 args) -> no rows, GetFieldNames -> no rows
//   column set    Init, getColInfo "info:" + key, GetSqlString "A.cValue, A.cAlias",
//                 GetOrderString "", getColSet -> no rows
//   row auth      Init, GetAuthString ""
//   utility       GetJoinTableStr -> the table name, GetResString "存货自由项"
//   connection    Open, Execute -> no rows, Close
#pragma once

#include <map>
#include <memory>
#include <string>

#include "component/clsVelloc.h"
#include "tarnvelloc/automation/factory.h"
#include "tests/kit/call_log.h"
#include "tests/kit/fake_component.h"
#include "tests/kit/fake_record_set.h"

namespace tarn::testing {

enum class Creation { kFake, kNull, kRaise };

class FakeWorld {
 public:
  FakeWorld();
  ~FakeWorld();
  FakeWorld(const FakeWorld&) = delete;
  FakeWorld& operator=(const FakeWorld&) = delete;

  // How the factory answers a creation of `progId` from now on.
  void setCreation(std::u16string_view progId, Creation creation);

  // A new component object, not initialised.
  std::shared_ptr<velloc::clsVelloc> makeComponent();
  // A new component after Init(u"Provider=Fake", u"demo") succeeded; the log is then cleared.
  std::shared_ptr<velloc::clsVelloc> makeReadyComponent();

  CallLog log;
  RecordSetTracker recordSets;
  std::shared_ptr<FakeComponent> util;
  std::shared_ptr<FakeComponent> archiveData;
  std::shared_ptr<FakeComponent> columnSettings;
  std::shared_ptr<FakeComponent> voucherData;
  std::shared_ptr<FakeComponent> rowAuth;
  std::shared_ptr<FakeComponent> connection;

 private:
  void registerFake(std::u16string_view progId, const std::shared_ptr<FakeComponent>& fake);

  automation::ComponentRegistry::Snapshot saved_;
  std::map<std::u16string, Creation> creation_;
};

}  // namespace tarn::testing
