#include "erp/db/catalogue_views.h"

namespace tarn::erp::db {

std::u16string_view catalogueViewsScript() {
  return uR"sql(
create temp view systypes (name, xtype, xusertype) as
  select column1 collate ERP_CI, column2, column2 from (values
    ('image', 34), ('text', 35), ('uniqueidentifier', 36), ('date', 40), ('time', 41),
    ('datetime2', 42), ('tinyint', 48), ('smallint', 52), ('int', 56), ('smalldatetime', 58),
    ('real', 59), ('money', 60), ('datetime', 61), ('float', 62), ('ntext', 99), ('bit', 104),
    ('decimal', 106), ('numeric', 108), ('smallmoney', 122), ('bigint', 127),
    ('varbinary', 165), ('varchar', 167), ('binary', 173), ('char', 175), ('nvarchar', 231),
    ('nchar', 239));

create temp view sysobjects (id, name, xtype, type) as
  select rowid, name collate ERP_CI, xtype collate ERP_CI, xtype collate ERP_CI
  from (select rowid, name,
               case when name like 'sqlite\_%' escape '\' then 'S'
                    when type = 'table' then 'U' else 'V' end as xtype
        from main.sqlite_master where type in ('table', 'view'));

create temp view syscolumns (id, name, colid, xtype, xusertype, isnullable) as
  select m.rowid, p.name collate ERP_CI, p.cid + 1, t.xtype, t.xusertype, 1 - p."notnull"
  from main.sqlite_master m
  join pragma_table_info(m.name, 'main') p
  left join systypes t on t.name = trim(case when instr(p.type, '(') > 0
                                             then substr(p.type, 1, instr(p.type, '(') - 1)
                                             else p.type end)
  where m.type in ('table', 'view');
)sql";
}

}  // namespace tarn::erp::db
