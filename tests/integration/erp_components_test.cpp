// Registration of the outside components under their ProgIDs.
#include <string>
#include <vector>

#include "erp_test_support.h"

namespace tarn::erp::testing {
namespace {

TEST(ComponentsTest, RegistersEveryProgIdUnderItsOwnClass) {
  automation::ComponentRegistry registry;
  registerComponents(registry);
  struct Case {
    std::u16string progId;
    std::string classId;
  };
  const std::vector<Case> cases = {
      {u"TarnDataSvc.IDataSvc", "{5A1E0D01-7C3B-4E21-9A10-3D42117E0001}"},
      {u"TarnVoucherSvc.IVoucherSvc", "{5A1E0D02-7C3B-4E21-9A10-3D42117E0002}"},
      {u"TarnColumnSvc.IColumnSvc", "{5A1E0D03-7C3B-4E21-9A10-3D42117E0003}"},
      {u"TarnColSetSvc.IColumnSvc", "{5A1E0D03-7C3B-4E21-9A10-3D42117E0003}"},
      {u"TarnRowAuthSvc.IRowAuth", "{5A1E0D04-7C3B-4E21-9A10-3D42117E0004}"},
      {u"tarnutil.iutil", "{5A1E0D05-7C3B-4E21-9A10-3D42117E0005}"},
      {u"ADODB.Connection", "{5A1E0D06-7C3B-4E21-9A10-3D42117E0006}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(automation::toUtf8(c.progId));
    const auto classId = registry.classIdOf(c.progId);
    ASSERT_TRUE(classId.has_value());
    EXPECT_EQ(classId->toString(), c.classId);
    const auto first = registry.create(c.progId);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(registry.create(c.progId), first);
  }
}

}  // namespace
}  // namespace tarn::erp::testing
