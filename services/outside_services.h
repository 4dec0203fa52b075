// Typed call views of the five outside components the component reaches, and of the database
// connection it opens in one method. Each function is one operation with its exact name,
// argument order, argument count and passing mode; no decision is made here. A view holds the
// reference it was given; calling through a null reference raises kObjectNotSet, and every
// failure of the component raises AutomationError.
#pragma once

#include <string>

#include "services/record_set.h"
#include "tarnvelloc/automation/object.h"

namespace tarn::services {

// Archive data service, TarnDataSvc.IDataSvc.
class ArchiveDataService {
 public:
  explicit ArchiveDataService(automation::ObjectRef object) : object_(std::move(object)) {}
  void Init(std::u16string& connection);
  automation::Variant Status();
  RecordSet OpenX(std::u16string& sql);
  // Add(record by reference, archive name by value, message by reference).
  automation::Variant Add(std::u16string& record, const std::u16string& archive,
                          std::u16string& message);

 private:
  automation::ObjectRef object_;
};

// Voucher data service, TarnVoucherSvc.IVoucherSvc.
class VoucherDataService {
 public:
  explicit VoucherDataService(automation::ObjectRef object) : object_(std::move(object)) {}
  void Init(std::u16string& connection);
  automation::Variant Status();
  RecordSet OpenX(std::u16string& sql);
  // OpenX(sql, flag, text), all three by reference.
  RecordSet OpenX(std::u16string& sql, automation::Variant& flag, automation::Variant& text);
  // GetFieldNames(table, flag, text), all three by reference.
  RecordSet GetFieldNames(std::u16string& table, automation::Variant& flag,
                          automation::Variant& text);

 private:
  automation::ObjectRef object_;
};

// Column-settings service, TarnColumnSvc.IColumnSvc (TarnColSetSvc.IColumnSvc in the earlier
// revision).
class ColumnSettingsService {
 public:
  explicit ColumnSettingsService(automation::ObjectRef object) : object_(std::move(object)) {}
  void Init(std::u16string& connection, std::u16string& userId);
  // getColInfo(key by reference, the Integer 1 by value).
  automation::Variant getColInfo(std::u16string& key);
  automation::Variant GetSqlString(std::u16string& info);
  automation::Variant GetOrderString(std::u16string& info);
  // getColSet(key by reference, the Integer 1 by value).
  RecordSet getColSet(std::u16string& key);

 private:
  automation::ObjectRef object_;
};

// Row-authorisation service, TarnRowAuthSvc.IRowAuth.
class RowAuthorisationService {
 public:
  explicit RowAuthorisationService(automation::ObjectRef object) : object_(std::move(object)) {}
  void Init(std::u16string& connection, std::u16string& userId);
  automation::Variant GetAuthString(std::u16string& table);

 private:
  automation::ObjectRef object_;
};

// Utility service, TarnUtil.IUtil. The component never calls its Init.
class UtilityService {
 public:
  explicit UtilityService(automation::ObjectRef object) : object_(std::move(object)) {}
  automation::Variant GetJoinTableStr(std::u16string& table);
  // GetResString(key by value).
  automation::Variant GetResString(const std::u16string& key);

 private:
  automation::ObjectRef object_;
};

// The database connection the component opens itself, ADODB.Connection.
class Connection {
 public:
  explicit Connection(automation::ObjectRef object) : object_(std::move(object)) {}
  // Open(connection string, user id, password, options), all by value.
  void Open(const std::u16string& connection, const std::u16string& userId,
            const std::u16string& password, std::int32_t options);
  // Execute(command text, records affected, options): the records-affected argument is
  // omitted, which travels as Empty by value.
  RecordSet Execute(const std::u16string& sql, std::int32_t options);
  void Close();

 private:
  automation::ObjectRef object_;
};

}  // namespace tarn::services
