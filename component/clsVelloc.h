// clsVelloc is the whole outward face of TarnVelloc: one creatable class with one interface,
// _clsVelloc. A caller creates an object, calls Init once with a connection string and a user
// id, calls the five reference and validation methods as often as it likes, and releases the
// object.
//
// The object holds seven members: four public references to outside components, which callers
// may read and replace, and three private members that only Init sets. Every database access
// goes through those components, through the utility service that Init creates (m_oUtil), or,
// in GetStruFreeRefSQL, through a connection opened with the stored connection string.
//
// Errors: no method raises. Each public method has one catch-all handler that decides its
// failure result: Init false (the four properties cleared), reference methods false with their
// outputs untouched, validation methods -1, or -2 when bBuildAr is true and the running result
// stood at -1. Threads: an object is used on the thread that created it.
#pragma once

#include <cstdint>
#include <string>

#include "component/_clsVelloc.h"
#include "tarnvelloc/automation/object.h"

namespace tarn::velloc {

class clsVelloc final : public _clsVelloc {
 public:
  clsVelloc();
  // Teardown: releases the archive data service first, then the other members.
  ~clsVelloc() override;

  clsVelloc(const clsVelloc&) = delete;
  clsVelloc& operator=(const clsVelloc&) = delete;

  automation::ObjectRef get_g_oArDbSrv() override { return g_oArDbSrv; }
  void putref_g_oArDbSrv(const automation::ObjectRef& value) override { g_oArDbSrv = value; }
  automation::ObjectRef get_g_oVoDbSrv() override { return g_oVoDbSrv; }
  void putref_g_oVoDbSrv(const automation::ObjectRef& value) override { g_oVoDbSrv = value; }
  automation::ObjectRef get_g_ColSet() override { return g_ColSet; }
  void putref_g_ColSet(const automation::ObjectRef& value) override { g_ColSet = value; }
  automation::ObjectRef get_g_oRowAuth() override { return g_oRowAuth; }
  void putref_g_oRowAuth(const automation::ObjectRef& value) override { g_oRowAuth = value; }

  bool Init(std::u16string sConn, std::u16string sUserId) override;

  bool GetRefSQL(std::int16_t iDataSrcType, std::int16_t iVoucherSec, std::u16string sUserDefName,
                 std::u16string sTableName, std::u16string sFieldName, std::u16string sCardNumber,
                 std::u16string sMatchVal, std::u16string& sRefSql, std::u16string& sRefColSet,
                 automation::Variant& sRefColWidth) override;

  std::int16_t ValidateAr(std::int16_t iDataSrcType, std::int16_t iVoucherSec,
                          std::u16string sUserDefName, std::u16string sTableName,
                          std::u16string sFieldName, std::u16string& sUserDefVal,
                          std::u16string sCardNumber, bool bBuildAr) override;

  bool GetFreeRefSQL(std::u16string sFreeFldName, std::u16string sMatchVal, std::u16string& sRefSql,
                     std::u16string& sRefColSet, automation::Variant& sRefColWidth) override;

  std::int16_t ValidateFreeAr(std::u16string sFreeFldName, std::u16string& sFreeVal,
                              bool bBuildAr) override;

  bool GetStruFreeRefSQL(std::u16string sInvCode, std::u16string sFreeFldName,
                         std::u16string sMatchVal, std::u16string& sRefSql,
                         std::u16string& sRefColSet, automation::Variant& sRefColWidth) override;

  // The private members, for hosts that inspect an object (tests, diagnostics). Read only.
  const std::u16string& connectionString() const { return m_sConn; }
  const std::u16string& userId() const { return m_sUserId; }
  const automation::ObjectRef& utilityService() const { return m_oUtil; }

  // Objects alive in this process (the unload test of the entry points reads it).
  static long liveObjects();

 private:
  automation::ObjectRef g_oArDbSrv;
  automation::ObjectRef g_oVoDbSrv;
  automation::ObjectRef g_ColSet;
  automation::ObjectRef g_oRowAuth;
  std::u16string m_sConn;
  std::u16string m_sUserId;
  automation::ObjectRef m_oUtil;
};

}  // namespace tarn::velloc
