-- The ERP schema of the outside components, SQLite dialect.
--
-- Two groups of tables live here:
--   * ERP tables that the reference and validation methods read (voucher definitions, item
--     definitions and their archived values, inventories and their parts, the archive tables);
--   * service tables that belong to the outside components themselves (column layouts, row
--     authorisation, join texts, resource strings, voucher field lists), all named Tarn*.
--
-- Conventions:
--   * Every text column compares with COLLATE ERP_CI (ASCII case ignored, trailing blanks
--     ignored), the way the ERP's SQL Server database compares text. Keys, unique constraints and
--     lookups therefore treat 'ABC' and 'abc ' as the same text.
--   * Column types carry the ERP's SQL Server type names (nvarchar, int, smallint, bit, money,
--     datetime) so that the catalogue views report them (the integer PRIMARY KEY row keys, SQLite's
--     rowid, excepted: the views report no type for them); SQLite gives nvarchar TEXT affinity,
--     int/smallint INTEGER affinity and bit/money/datetime NUMERIC affinity.
--   * Yes/no columns (bit) hold 1 or 0.
--   * nvarchar(N) is the longest text the ERP's server keeps, in UTF-16 code units; neither
--     this database nor the PostgreSQL one enforces it. A table or column name takes up to 128,
--     the longest name the ERP's server allows.
--   * Dates are stored as text 'YYYY-MM-DD' (with ' hh:mm:ss.fff' for a time of day).
--
-- The script holds no transaction statements: the caller runs it inside its own transaction.
--
-- This file is also the source of the PostgreSQL schema: the build rewrites its tables
-- (cmake/TarnPostgresSchema.cmake) behind db/postgres_setup.sql. A column type or collation
-- that rewrite does not know stops the build.

-- ---------------------------------------------------------------------------------------------
-- Voucher definitions: one row per voucher card. A voucher-source item offers the rows of the
-- table a row names, narrowed by its default condition.
CREATE TABLE Vouchers (
  CardNumber nvarchar(30) COLLATE ERP_CI NOT NULL PRIMARY KEY,  -- the voucher card number
  cCardName nvarchar(60) COLLATE ERP_CI NOT NULL,               -- the card's title
  BTTblName nvarchar(128) COLLATE ERP_CI,                       -- the table whose rows are offered
  cDefWhere nvarchar(255) COLLATE ERP_CI  -- default condition on that table, stored with or
                                          -- without a leading 'where '; NULL: none
);

-- Item definitions: user-defined items of voucher headers and bodies, and free items of
-- inventory lines.
CREATE TABLE UserDef (
  cID nvarchar(20) COLLATE ERP_CI NOT NULL PRIMARY KEY,  -- the item's id, named by UserDefine.cID
  cClass nvarchar(20) COLLATE ERP_CI NOT NULL,  -- '单据头' header item, '单据体' body item,
                                                -- '存货' free item of an inventory line
  cItem nvarchar(20) COLLATE ERP_CI NOT NULL,   -- '自定义项N' (N: 1..16 within the section) or
                                                -- '自由项N' (N: 1..10)
  cName nvarchar(60) COLLATE ERP_CI,            -- what the item means to the business
  cType nvarchar(10) COLLATE ERP_CI NOT NULL,   -- value type: '文本' text, '数字' number,
                                                -- '整型' whole number, '日期' date
  iMaxLen int                                   -- longest text value; NULL: no length given.
                                                -- Any 32-bit length is kept: one outside
                                                -- -32768..32767 is refused by the archiving
                                                -- step that reads it, not by the database
);
CREATE INDEX UserDef_ByClassItem ON UserDef (cClass, cItem);
CREATE INDEX UserDef_ByItem ON UserDef (cItem);

-- Archived values of the items: the list a list-source item offers. A value is archived at most
-- once per item.
CREATE TABLE UserDefine (
  iID integer PRIMARY KEY,                        -- row id
  cID nvarchar(20) COLLATE ERP_CI NOT NULL REFERENCES UserDef (cID),  -- the item
  cValue nvarchar(120) COLLATE ERP_CI NOT NULL,   -- the value
  cAlias nvarchar(120) COLLATE ERP_CI,            -- a short name a user may type instead
  cBarCode nvarchar(60) COLLATE ERP_CI,           -- bar code of a free-item value
  UNIQUE (cID, cValue)
);
CREATE INDEX UserDefine_ByItemAlias ON UserDefine (cID, cAlias);

-- ---------------------------------------------------------------------------------------------
-- Inventory archive. bConfigFreeN says whether free item N of the inventory is structured: its
-- values then come from the inventory's bas_part rows instead of the UserDefine list. NULL
-- counts as structured.
CREATE TABLE Inventory (
  iid integer PRIMARY KEY,                              -- key of the archive
  cInvCode nvarchar(20) COLLATE ERP_CI NOT NULL UNIQUE, -- inventory code
  cInvName nvarchar(60) COLLATE ERP_CI NOT NULL,        -- inventory name
  cInvStd nvarchar(60) COLLATE ERP_CI,                  -- model and size
  cComUnitName nvarchar(10) COLLATE ERP_CI,             -- unit of measure
  iInvSPrice money,                                     -- reference sale price
  bConfigFree1 bit DEFAULT 0,
  bConfigFree2 bit DEFAULT 0,
  bConfigFree3 bit DEFAULT 0,
  bConfigFree4 bit DEFAULT 0,
  bConfigFree5 bit DEFAULT 0,
  bConfigFree6 bit DEFAULT 0,
  bConfigFree7 bit DEFAULT 0,
  bConfigFree8 bit DEFAULT 0,
  bConfigFree9 bit DEFAULT 0,
  bConfigFree10 bit DEFAULT 0
);

-- Parts list: the configurations an inventory is built in. FreeN holds the value of free item N
-- in that configuration (NULL: not configured).
CREATE TABLE bas_part (
  PartId integer PRIMARY KEY,                    -- row id
  InvCode nvarchar(20) COLLATE ERP_CI NOT NULL,  -- Inventory.cInvCode
  Free1 nvarchar(120) COLLATE ERP_CI,
  Free2 nvarchar(120) COLLATE ERP_CI,
  Free3 nvarchar(120) COLLATE ERP_CI,
  Free4 nvarchar(120) COLLATE ERP_CI,
  Free5 nvarchar(120) COLLATE ERP_CI,
  Free6 nvarchar(120) COLLATE ERP_CI,
  Free7 nvarchar(120) COLLATE ERP_CI,
  Free8 nvarchar(120) COLLATE ERP_CI,
  Free9 nvarchar(120) COLLATE ERP_CI,
  Free10 nvarchar(120) COLLATE ERP_CI
);
CREATE INDEX bas_part_ByInvCode ON bas_part (InvCode);

-- ---------------------------------------------------------------------------------------------
-- Archive tables. The first column is the key that row authorisation restricts.
CREATE TABLE customer (
  iid integer PRIMARY KEY,                              -- key
  cCusCode nvarchar(20) COLLATE ERP_CI NOT NULL UNIQUE, -- customer code
  cCusName nvarchar(98) COLLATE ERP_CI NOT NULL,        -- full name
  cCusAbbName nvarchar(60) COLLATE ERP_CI,              -- short name
  cCusDepart nvarchar(12) COLLATE ERP_CI,               -- responsible department (cDepCode)
  cCusPhone nvarchar(40) COLLATE ERP_CI,                -- telephone
  iCreditLine money                                     -- credit line
);

CREATE TABLE vendor (
  iid integer PRIMARY KEY,                              -- key
  cVenCode nvarchar(20) COLLATE ERP_CI NOT NULL UNIQUE, -- vendor code
  cVenName nvarchar(98) COLLATE ERP_CI NOT NULL,        -- full name
  cVenAbbName nvarchar(60) COLLATE ERP_CI,              -- short name
  cVenPhone nvarchar(40) COLLATE ERP_CI                 -- telephone
);

CREATE TABLE department (
  cDepCode nvarchar(12) COLLATE ERP_CI NOT NULL PRIMARY KEY,  -- key: department code
  cDepName nvarchar(60) COLLATE ERP_CI NOT NULL,              -- name
  iDepGrade smallint NOT NULL                                 -- level in the tree, 1 at the top
);

-- Chart of accounts.
CREATE TABLE code (
  cCode nvarchar(15) COLLATE ERP_CI NOT NULL PRIMARY KEY,  -- key: account code
  cCodeName nvarchar(60) COLLATE ERP_CI NOT NULL,          -- account name
  iGrade smallint NOT NULL                                 -- level in the chart, 1 at the top
);

-- Storage positions inside warehouses.
CREATE TABLE position (
  cPosCode nvarchar(20) COLLATE ERP_CI NOT NULL PRIMARY KEY,  -- key: position code
  cPosName nvarchar(60) COLLATE ERP_CI NOT NULL,              -- name
  cWhCode nvarchar(10) COLLATE ERP_CI                         -- warehouse.cWhCode
);

CREATE TABLE warehouse (
  cWhCode nvarchar(10) COLLATE ERP_CI NOT NULL PRIMARY KEY,  -- key: warehouse code
  cWhName nvarchar(60) COLLATE ERP_CI NOT NULL,              -- name
  cWhAddress nvarchar(120) COLLATE ERP_CI                    -- address
);

CREATE TABLE person (
  cPersonCode nvarchar(20) COLLATE ERP_CI NOT NULL PRIMARY KEY,  -- key: employee code
  cPersonName nvarchar(40) COLLATE ERP_CI NOT NULL,              -- name
  cDepCode nvarchar(12) COLLATE ERP_CI,                          -- department.cDepCode
  cPersonPhone nvarchar(40) COLLATE ERP_CI                       -- telephone
);

-- ---------------------------------------------------------------------------------------------
-- A voucher-source table: sales contracts, named by Vouchers rows.
CREATE TABLE contracts (
  cContractCode nvarchar(30) COLLATE ERP_CI NOT NULL PRIMARY KEY,  -- contract number
  cContractName nvarchar(98) COLLATE ERP_CI NOT NULL,              -- title
  cCusCode nvarchar(20) COLLATE ERP_CI,                            -- customer.cCusCode
  iAmount money NOT NULL,                                          -- contract amount
  dSignDate datetime,                                              -- date signed
  bFlag bit NOT NULL DEFAULT 0                                     -- 1: in force
);

-- ---------------------------------------------------------------------------------------------
-- Service tables: everything from here to the end belongs to the outside components, never to
-- the ERP. Their schema has a version, kept in TarnSchemaVersion: this is version 3. Version 1
-- was these tables without TarnSchemaVersion and without the default layouts; version 2 had no
-- TarnRecentValue (and, on PostgreSQL, none of the pick-list indexes velloc adds there).
--
-- Every statement of this part creates or inserts only what is missing, so the part runs on its
-- own over a database that holds the ERP tables already (velloc init --service-tables) and over
-- the service tables of versions 1 and 2 (velloc upgrade), leaving existing tables and rows as
-- they are.

-- Service table of the column-settings service: one row per column of a pick-list layout.
-- A layout key is an archive table name followed by 'Ref' (customerRef), 'UserDefineRef' for
-- list-source items or 'UserDefFreeRef' for free items; keys compare case-insensitively.
-- The expressions of a layout must resolve in the FROM text its pick-list query uses:
-- UserDefineRef and UserDefFreeRef over 'UserDefine A', an archive layout over that table's
-- join text (TarnJoinTable).
--
-- A key without rows here still has a layout, its default:
--   UserDefineRef    A.cValue 档案值 (2000, ordering), A.cAlias 别名 (1500);
--   UserDefFreeRef   A.cValue 自由项值 (2000, ordering), A.cAlias 别名 (1500),
--                    A.cBarCode 条形码 (2200);
--   tableRef         the table's first column, its key (1200, ordering), then its next two
--                    text columns (nvarchar, nchar, varchar, char, ntext, text; 2000), each
--                    captioned with its column name and qualified with the table name, in the
--                    order of the catalogue views (syscolumns.colid);
--   any other key    no columns (a table the catalogue does not know).
-- The two UserDefine layouts are also written below, for an administrator to edit.
CREATE TABLE IF NOT EXISTS TarnColumnLayout (
  cLayoutKey nvarchar(131) COLLATE ERP_CI NOT NULL,   -- the layout key: a table name + 'Ref'
  iColumnNo smallint NOT NULL,                        -- position of the column, from 1
  cExpression nvarchar(255) COLLATE ERP_CI NOT NULL,  -- the select-list expression
  cCaption nvarchar(60) COLLATE ERP_CI NOT NULL,      -- the column caption
  iWidth int NOT NULL DEFAULT 1200,                   -- display width in twips
  iOrderNo smallint,       -- position of the column in the order-by list; NULL: not ordering
  bDescending bit NOT NULL DEFAULT 0,                 -- 1: orders descending
  PRIMARY KEY (cLayoutKey, iColumnNo)
);

-- Service tables of the row-authorisation service. One grant per user and archive table:
--   'all'    the user sees every row,
--   'none'   the user sees no row (also the answer when a user has no grant for a table),
--   'listed' the user sees the rows whose key is listed in TarnRowAuthKey for the grant.
CREATE TABLE IF NOT EXISTS TarnRowAuth (
  iGrantId integer PRIMARY KEY,                      -- grant id, named by TarnRowAuthKey
  cUserId nvarchar(20) COLLATE ERP_CI NOT NULL,      -- the ERP user id
  cTableName nvarchar(128) COLLATE ERP_CI NOT NULL,  -- the archive table
  cAccess nvarchar(10) COLLATE ERP_CI NOT NULL CHECK (cAccess IN ('all', 'none', 'listed')),
  UNIQUE (cUserId, cTableName)
);

-- The keys a 'listed' grant allows. cKey holds the key as text; compared with an integer key
-- column (customer.iid) it converts to a number, compared with a text key it stays text.
CREATE TABLE IF NOT EXISTS TarnRowAuthKey (
  iGrantId integer NOT NULL REFERENCES TarnRowAuth (iGrantId),  -- the grant
  cKey nvarchar(30) COLLATE ERP_CI NOT NULL,                    -- one allowed key value
  PRIMARY KEY (iGrantId, cKey)
);

-- Service table of the utility service: the FROM text of an archive table's pick-list query
-- when it is more than the table itself (a table joined to what its layout shows). A table
-- without a row is read on its own.
CREATE TABLE IF NOT EXISTS TarnJoinTable (
  cTableName nvarchar(128) COLLATE ERP_CI NOT NULL PRIMARY KEY, -- the archive table
  cJoinText nvarchar(500) COLLATE ERP_CI NOT NULL               -- what follows 'select * from '
);

-- Service table of the utility service: caption texts by resource key.
CREATE TABLE IF NOT EXISTS TarnResString (
  cKey nvarchar(120) COLLATE ERP_CI NOT NULL PRIMARY KEY,  -- resource key
  cText nvarchar(255) COLLATE ERP_CI NOT NULL              -- caption text
);

-- Service table of the voucher data service: the columns a voucher-source table offers, in
-- order. A table without rows here offers all its own columns.
CREATE TABLE IF NOT EXISTS TarnVoucherField (
  cTableName nvarchar(128) COLLATE ERP_CI NOT NULL,  -- the voucher-source table
  iColumnNo smallint NOT NULL,                       -- position, from 1
  FieldName nvarchar(128) COLLATE ERP_CI NOT NULL,   -- the column, as the select list names it
  fielddef nvarchar(60) COLLATE ERP_CI NOT NULL,     -- the grid caption of the column
  PRIMARY KEY (cTableName, iColumnNo)
);

-- Service table of velloc serve: the values a person chose lately for an item (a validation that
-- accepted or archived them), offered first when the person opens the item's field empty. velloc
-- keeps the 10 most recent per person and item; iRecentId grows with every use, so the highest is
-- the most recent. cPerson is the person's login name as the hex digits (lower case) of its UTF-8
-- bytes: names are told apart exactly, whereas ERP_CI would take 'Wang' and 'wang' for one person.
-- cItemKey names the item and where its values come from (session/recent_values.h).
CREATE TABLE IF NOT EXISTS TarnRecentValue (
  iRecentId integer PRIMARY KEY,                   -- the latest use has the highest id
  cPerson nvarchar(256) COLLATE ERP_CI NOT NULL,   -- the person, hex-encoded as above
  cItemKey nvarchar(400) COLLATE ERP_CI NOT NULL,  -- the item
  cValue nvarchar(120) COLLATE ERP_CI NOT NULL,    -- the value as the validation gave it back
  dUsed datetime NOT NULL,                         -- when, by the database's clock
  UNIQUE (cPerson, cItemKey, cValue)
);

-- The schema version of the service tables, in the table's one row. A database whose service
-- tables have no TarnSchemaVersion is at version 1. A program works on the version it knows and
-- refuses a newer one; velloc upgrade brings an older one to it.
CREATE TABLE IF NOT EXISTS TarnSchemaVersion (
  iRow smallint NOT NULL PRIMARY KEY CHECK (iRow = 1),  -- always 1: the table holds one row
  iVersion int NOT NULL                                 -- the version of the service tables
);
INSERT INTO TarnSchemaVersion (iRow, iVersion)
SELECT 1, 3 WHERE NOT EXISTS (SELECT 1 FROM TarnSchemaVersion);

-- The default layouts of the list-source and free-item pick-lists, as the service gives them
-- when a key has no rows; a key that has rows already keeps them.
INSERT INTO TarnColumnLayout
  (cLayoutKey, iColumnNo, cExpression, cCaption, iWidth, iOrderNo, bDescending)
SELECT column1, column2, column3, column4, column5, column6, column7
FROM (VALUES
    ('UserDefineRef', 1, 'A.cValue', '档案值', 2000, 1, 0),
    ('UserDefineRef', 2, 'A.cAlias', '别名', 1500, NULL, 0),
    ('UserDefFreeRef', 1, 'A.cValue', '自由项值', 2000, 1, 0),
    ('UserDefFreeRef', 2, 'A.cAlias', '别名', 1500, NULL, 0),
    ('UserDefFreeRef', 3, 'A.cBarCode', '条形码', 2200, NULL, 0)) AS defaults
WHERE NOT EXISTS
    (SELECT 1 FROM TarnColumnLayout AS stored WHERE stored.cLayoutKey = defaults.column1);
