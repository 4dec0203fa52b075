#include "services/outside_services.h"

#include "services/by_ref.h"

namespace tarn::services {

using automation::Argument;
using automation::callOn;
using automation::ObjectRef;
using automation::Variant;

namespace {

constexpr std::int16_t kLayoutSelector = 1;

// One string argument by reference; the callee's replacement is kept.
Variant callWithString(const ObjectRef& object, std::u16string_view name, std::u16string& text) {
  StringByRef ref(text);
  Variant result = callOn(object, name, {ref.argument()});
  ref.commit();
  return result;
}

Variant callWithTwoStrings(const ObjectRef& object, std::u16string_view name, std::u16string& first,
                           std::u16string& second) {
  StringByRef a(first);
  StringByRef b(second);
  Variant result = callOn(object, name, {a.argument(), b.argument()});
  a.commit();
  b.commit();
  return result;
}

Variant callWithKeyAndSelector(const ObjectRef& object, std::u16string_view name,
                               std::u16string& key) {
  StringByRef ref(key);
  Variant result = callOn(object, name, {ref.argument(), Argument::byValue(kLayoutSelector)});
  ref.commit();
  return result;
}

Variant callWithStringFlagText(const ObjectRef& object, std::u16string_view name,
                               std::u16string& text, Variant& flag, Variant& message) {
  StringByRef ref(text);
  Variant result =
      callOn(object, name, {ref.argument(), Argument::byRef(flag), Argument::byRef(message)});
  ref.commit();
  return result;
}

}  // namespace

void ArchiveDataService::Init(std::u16string& connection) {
  callWithString(object_, u"Init", connection);
}

Variant ArchiveDataService::Status() { return callOn(object_, u"Status"); }

RecordSet ArchiveDataService::OpenX(std::u16string& sql) {
  return RecordSet(callWithString(object_, u"OpenX", sql));
}

Variant ArchiveDataService::Add(std::u16string& record, const std::u16string& archive,
                                std::u16string& message) {
  StringByRef recordRef(record);
  StringByRef messageRef(message);
  Variant result = callOn(
      object_, u"Add", {recordRef.argument(), Argument::byValue(archive), messageRef.argument()});
  recordRef.commit();
  messageRef.commit();
  return result;
}

void VoucherDataService::Init(std::u16string& connection) {
  callWithString(object_, u"Init", connection);
}

Variant VoucherDataService::Status() { return callOn(object_, u"Status"); }

RecordSet VoucherDataService::OpenX(std::u16string& sql) {
  return RecordSet(callWithString(object_, u"OpenX", sql));
}

RecordSet VoucherDataService::OpenX(std::u16string& sql, Variant& flag, Variant& text) {
  return RecordSet(callWithStringFlagText(object_, u"OpenX", sql, flag, text));
}

RecordSet VoucherDataService::GetFieldNames(std::u16string& table, Variant& flag, Variant& text) {
  return RecordSet(callWithStringFlagText(object_, u"GetFieldNames", table, flag, text));
}

void ColumnSettingsService::Init(std::u16string& connection, std::u16string& userId) {
  callWithTwoStrings(object_, u"Init", connection, userId);
}

Variant ColumnSettingsService::getColInfo(std::u16string& key) {
  return callWithKeyAndSelector(object_, u"getColInfo", key);
}

Variant ColumnSettingsService::GetSqlString(std::u16string& info) {
  return callWithString(object_, u"GetSqlString", info);
}

Variant ColumnSettingsService::GetOrderString(std::u16string& info) {
  return callWithString(object_, u"GetOrderString", info);
}

RecordSet ColumnSettingsService::getColSet(std::u16string& key) {
  return RecordSet(callWithKeyAndSelector(object_, u"getColSet", key));
}

void RowAuthorisationService::Init(std::u16string& connection, std::u16string& userId) {
  callWithTwoStrings(object_, u"Init", connection, userId);
}

Variant RowAuthorisationService::GetAuthString(std::u16string& table) {
  return callWithString(object_, u"GetAuthString", table);
}

Variant UtilityService::GetJoinTableStr(std::u16string& table) {
  return callWithString(object_, u"GetJoinTableStr", table);
}

Variant UtilityService::GetResString(const std::u16string& key) {
  return callOn(object_, u"GetResString", {Argument::byValue(key)});
}

void Connection::Open(const std::u16string& connection, const std::u16string& userId,
                      const std::u16string& password, std::int32_t options) {
  callOn(object_, u"Open",
         {Argument::byValue(connection), Argument::byValue(userId), Argument::byValue(password),
          Argument::byValue(options)});
}

RecordSet Connection::Execute(const std::u16string& sql, std::int32_t options) {
  return RecordSet(
      callOn(object_, u"Execute",
             {Argument::byValue(sql), Argument::byValue(Variant()), Argument::byValue(options)}));
}

void Connection::Close() { callOn(object_, u"Close"); }

}  // namespace tarn::services
