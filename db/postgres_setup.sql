-- What a PostgreSQL database needs before it can hold the ERP tables: the comparison rule of the
-- ERP's text, the LIKE operator that goes with it, the column types that carry the ERP's SQL
-- Server type names, and the catalogue views sysobjects, syscolumns and systypes. The build puts
-- this script in front of the tables of db/schema.sql, rewritten for PostgreSQL, to make the
-- PostgreSQL schema (schema.postgres.sql in the build folder); `velloc init` runs the result.
-- Everything is created in the current schema (public), which must be on the search_path of
-- every session that runs the component's statements, as it is by default.
--
-- Names: the tables and columns are created unquoted, so PostgreSQL folds them to lower case.
-- The component writes the same names in mixed case, unquoted or between brackets; the
-- PostgreSQL adaptation of its statements folds a bracketed name to lower case, so both find
-- the column. Result columns are therefore named in lower case (cvalue), except a name given
-- after AS (a caption, as [自由项1]), which keeps its letter case.
--
-- The comparison rule. The ERP's SQL Server default collations (*_CI_AS) ignore letter case,
-- the difference between full-width and half-width forms and trailing blanks, and keep
-- accents. Every text column here is of the domain erp_text: blank-padded text (bpchar without
-- a length, so trailing blanks are kept when stored and ignored when compared) with the ICU
-- collation erp_ci at strength level 2 (letter case and width ignored, accents kept). So
-- 'abc' = 'ABC  ' holds, keys and unique constraints treat them as one value, and
-- 'ＡＢＣ' = 'abc' and 'Éa' = 'éA' hold too. The SQLite database folds ASCII letters only: here
-- the two differ, and PostgreSQL is the closer of the two to the ERP's server. Characters that
-- ICU treats as ignorable (zero-width ones) are ignored as well.
--
-- LIKE: PostgreSQL 15 refuses LIKE under a collation that is not deterministic, so the domain
-- has LIKE and NOT LIKE operators of its own (found through the search_path, exactly matching
-- the domain's argument types). They ignore letter case in every script, as the ERP's server
-- does, but not width; trailing blanks of the value and of a pattern given as a value are
-- ignored as in comparisons (SQLite's LIKE keeps them). A backslash is an ordinary character, as
-- in SQL Server's and SQLite's LIKE (PostgreSQL's own LIKE would take it as an escape).
--
-- Column lengths: the domain has no length (a domain takes none), so nvarchar(N) lengths are
-- not enforced, as they are not in the SQLite database.
--
-- The collation's locale is written in ICU's own form. The language tag und-u-ks-level2 names
-- the same rules (the same order of 40,000 mixed strings), but PostgreSQL took 5-15 ms to open
-- it at its first use in every connection, against 1 ms for this form. Databases made with the
-- tag keep it and compare alike.

create collation erp_ci (provider = icu, locale = 'und@colStrength=secondary', deterministic = false);

create domain erp_text as pg_catalog.bpchar collate erp_ci;

-- The ERP's other column types, under names the catalogue views report as SQL Server's. Money
-- keeps four decimals over the whole range of the ERP's money; a datetime keeps milliseconds, as
-- the ERP's does (rounded to whole seconds, 23:59:59.997 would move to the next day).
create domain erp_money as numeric(19, 4);
create domain erp_bit as smallint check (value in (0, 1));
create domain erp_datetime as timestamp(3) without time zone;

create function erp_like(value erp_text, pattern text) returns boolean
  language sql immutable parallel safe
  return lower(value::text collate "und-x-icu") like lower(pattern collate "und-x-icu") escape '';

create function erp_not_like(value erp_text, pattern text) returns boolean
  language sql immutable parallel safe
  return not erp_like(value, pattern);

-- A pattern held in an erp_text column.
create function erp_like(value erp_text, pattern erp_text) returns boolean
  language sql immutable parallel safe
  return erp_like(value, pattern::text);

create function erp_not_like(value erp_text, pattern erp_text) returns boolean
  language sql immutable parallel safe
  return not erp_like(value, pattern::text);

create operator ~~ (leftarg = erp_text, rightarg = text, function = erp_like);
create operator ~~ (leftarg = erp_text, rightarg = erp_text, function = erp_like);
create operator !~~ (leftarg = erp_text, rightarg = text, function = erp_not_like);
create operator !~~ (leftarg = erp_text, rightarg = erp_text, function = erp_not_like);

-- An integer key compared with a text key (a row-authorisation key list, `iid in (select cKey
-- ...)`): the text is read as a number, as the ERP's server converts it; text that is no whole
-- number matches nothing. Read as bigint, so every integer key, -2147483648 and 2147483647
-- included, finds its text, and a longer number matches no key instead of failing.
create function erp_integer_equals_text(key integer, text_key erp_text) returns boolean
  language sql immutable parallel safe
  return case when btrim(text_key::text) collate "C" ~ '^[-+]?[0-9]{1,18}$'
              then key = btrim(text_key::text)::bigint else false end;

create operator = (leftarg = integer, rightarg = erp_text, function = erp_integer_equals_text);

-- The catalogue views. Objects are the tables ('U') and views ('V') of the current schema, with
-- their PostgreSQL object ids; a column's type is the systypes id of the SQL Server type its
-- PostgreSQL type stands for (Null for a type without one). Names and letters are erp_text, so
-- they compare as the ERP's text does: 'u' finds user tables and 'CUSTOMER' the table customer.
create view systypes (name, xtype, xusertype) as
  select t.name::erp_text, t.id::smallint, t.id::smallint
  from (values ('image', 34), ('text', 35), ('uniqueidentifier', 36), ('date', 40),
               ('time', 41), ('datetime2', 42), ('tinyint', 48), ('smallint', 52), ('int', 56),
               ('smalldatetime', 58), ('real', 59), ('money', 60), ('datetime', 61),
               ('float', 62), ('ntext', 99), ('bit', 104), ('decimal', 106), ('numeric', 108),
               ('smallmoney', 122), ('bigint', 127), ('varbinary', 165), ('varchar', 167),
               ('binary', 173), ('char', 175), ('nvarchar', 231), ('nchar', 239))
    as t (name, id);

create view sysobjects (id, name, xtype, type) as
  select c.oid::integer, c.relname::text::erp_text, k.xtype::erp_text, k.xtype::erp_text
  from pg_catalog.pg_class as c
    cross join lateral (select case when c.relkind in ('r', 'p') then 'U' else 'V' end)
      as k (xtype)
  where c.relnamespace = current_schema()::regnamespace and c.relkind in ('r', 'p', 'v', 'm');

create view syscolumns (id, name, colid, xtype, xusertype, isnullable) as
  select a.attrelid::integer, a.attname::text::erp_text, a.attnum::smallint, t.xtype, t.xtype,
         case when a.attnotnull then 0 else 1 end
  from pg_catalog.pg_attribute as a
    join sysobjects as o on o.id = a.attrelid::integer
    join pg_catalog.pg_type as pt on pt.oid = a.atttypid
    left join (values ('erp_text', 'nvarchar'), ('erp_money', 'money'), ('erp_bit', 'bit'),
                      ('erp_datetime', 'datetime'), ('int2', 'smallint'), ('int4', 'int'),
                      ('int8', 'bigint'), ('float4', 'real'), ('float8', 'float'),
                      ('numeric', 'numeric'), ('money', 'money'), ('bool', 'bit'),
                      ('varchar', 'varchar'), ('bpchar', 'char'), ('text', 'text'),
                      ('date', 'date'), ('time', 'time'), ('timestamp', 'datetime2'),
                      ('uuid', 'uniqueidentifier'), ('bytea', 'varbinary'))
      as m (pg_name, sql_name) on m.pg_name = pt.typname::text
    left join systypes as t on t.name = m.sql_name
  where a.attnum > 0 and not a.attisdropped;
