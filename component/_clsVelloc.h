// _clsVelloc: the component's published interface, its members in slot order. The four object
// properties have a get and a set by reference; assigning releases the reference held before,
// and null is allowed. Parameters passed by reference are the caller's own variables, which a
// method may replace; every other parameter is the method's own copy.
#pragma once

#include <cstdint>
#include <string>

#include "tarnvelloc/automation/object.h"

namespace tarn::velloc {

class _clsVelloc {
 public:
  virtual ~_clsVelloc() = default;

  virtual automation::ObjectRef get_g_oArDbSrv() = 0;
  virtual void putref_g_oArDbSrv(const automation::ObjectRef& value) = 0;
  virtual automation::ObjectRef get_g_oVoDbSrv() = 0;
  virtual void putref_g_oVoDbSrv(const automation::ObjectRef& value) = 0;
  virtual automation::ObjectRef get_g_ColSet() = 0;
  virtual void putref_g_ColSet(const automation::ObjectRef& value) = 0;
  virtual automation::ObjectRef get_g_oRowAuth() = 0;
  virtual void putref_g_oRowAuth(const automation::ObjectRef& value) = 0;

  // Creates and initialises the outside components; true when all are ready.
  virtual bool Init(std::u16string sConn, std::u16string sUserId) = 0;

  // The pick-list query of a user-defined item; true when the three outputs were written.
  virtual bool GetRefSQL(std::int16_t iDataSrcType, std::int16_t iVoucherSec,
                         std::u16string sUserDefName, std::u16string sTableName,
                         std::u16string sFieldName, std::u16string sCardNumber,
                         std::u16string sMatchVal, std::u16string& sRefSql,
                         std::u16string& sRefColSet, automation::Variant& sRefColWidth) = 0;

  // Validates a typed user-defined item value: 0 accepted, -1 refused, -2 not archived,
  // 1 archived.
  virtual std::int16_t ValidateAr(std::int16_t iDataSrcType, std::int16_t iVoucherSec,
                                  std::u16string sUserDefName, std::u16string sTableName,
                                  std::u16string sFieldName, std::u16string& sUserDefVal,
                                  std::u16string sCardNumber, bool bBuildAr) = 0;

  // The pick-list query of a free item; true when the three outputs were written.
  virtual bool GetFreeRefSQL(std::u16string sFreeFldName, std::u16string sMatchVal,
                             std::u16string& sRefSql, std::u16string& sRefColSet,
                             automation::Variant& sRefColWidth) = 0;

  // Validates a typed free item value; codes as for ValidateAr.
  virtual std::int16_t ValidateFreeAr(std::u16string sFreeFldName, std::u16string& sFreeVal,
                                      bool bBuildAr) = 0;

  // The pick-list query of a free item of one inventory, structured or not.
  virtual bool GetStruFreeRefSQL(std::u16string sInvCode, std::u16string sFreeFldName,
                                 std::u16string sMatchVal, std::u16string& sRefSql,
                                 std::u16string& sRefColSet, automation::Variant& sRefColWidth) = 0;
};

}  // namespace tarn::velloc
