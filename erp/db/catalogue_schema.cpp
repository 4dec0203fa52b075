#include "erp/db/catalogue_schema.h"

namespace tarn::erp::db {

std::string catalogueViewsScript() {
  std::string script =
      "create temp view if not exists systypes (name, xtype, xusertype) as\n"
      "  select column1 collate ERP_CI, column2, column2 from (values ";
  const char* separator = "";
  for (const auto& type : kSqlTypes) {
    script += separator;
    script += "('";
    script += type.name;
    script += "', " + std::to_string(type.id) + ")";
    separator = ", ";
  }
  script +=
      ");\n"
      "create temp view if not exists sysobjects (id, name, xtype, type) as\n"
      "  select rowid, name collate ERP_CI, xtype collate ERP_CI, xtype collate ERP_CI from (\n"
      "    select rowid, name, case when name like 'sqlite\\_%' escape '\\' then 'S'\n"
      "                              when type = 'table' then 'U' else 'V' end as xtype\n"
      "    from main.sqlite_master where type in ('table', 'view'));\n"
      "create temp view if not exists syscolumns\n"
      "    (id, name, colid, xtype, xusertype, isnullable) as\n"
      "  select o.rowid, c.name collate ERP_CI, c.cid + 1, t.xtype, t.xtype, 1 - c.\"notnull\"\n"
      "  from main.sqlite_master as o\n"
      "    join pragma_table_info(o.name, 'main') as c\n"
      "    left join temp.systypes as t\n"
      "      on t.name = ltrim(substr(c.type, 1, instr(c.type || '(', '(') - 1), ' ')\n"
      "  where o.type in ('table', 'view');\n";
  return script;
}

}  // namespace tarn::erp::db
