-- Demo data: a small trading company with a sales office, three warehouses and a garment line.
-- Runs after schema.sql, inside the caller's transaction.

-- Voucher definitions -------------------------------------------------------------------------
INSERT INTO Vouchers (CardNumber, cCardName, BTTblName, cDefWhere) VALUES
  ('CT01', '销售合同(生效)', 'contracts', 'where bFlag=1'),
  ('CT02', '销售合同(全部)', 'contracts', NULL),
  ('WH01', '调拨单', 'warehouse', NULL),
  ('DP01', '部门预算单', 'department', 'iDepGrade = 1');

-- Item definitions ----------------------------------------------------------------------------
INSERT INTO UserDef (cID, cClass, cItem, cName, cType, iMaxLen) VALUES
  ('H01', '单据头', '自定义项1', '项目名称', '文本', 20),
  ('H02', '单据头', '自定义项2', '折扣率', '数字', NULL),
  ('H03', '单据头', '自定义项3', '销售区域', '文本', 30),
  ('H04', '单据头', '自定义项4', '件数', '整型', NULL),
  ('H05', '单据头', '自定义项5', '交货日期', '日期', NULL),
  ('H06', '单据头', '自定义项6', '备注', '文本', NULL),
  ('H09', '单据头', '自定义项9', '批量编号', '文本', 30),
  ('B01', '单据体', '自定义项1', '包装颜色', '文本', 10),
  ('B02', '单据体', '自定义项2', '单件重量', '数字', NULL),
  ('F01', '存货', '自由项1', '颜色', '文本', 20),
  ('F02', '存货', '自由项2', '尺码', '文本', 20),
  ('F03', '存货', '自由项3', '批次', '文本', 20);

INSERT INTO UserDefine (cID, cValue, cAlias, cBarCode) VALUES
  ('H01', '华联门店改造', 'HLMD', NULL),
  ('H01', 'Warehouse Upgrade', 'WU', NULL),
  ('H03', '华东区', 'HD', NULL),
  ('H03', '华南区', 'HN', NULL),
  ('H03', '华北区', 'HB', NULL),
  ('H03', 'Export', '出口', NULL),
  ('H02', '0.95', NULL, NULL),
  ('B01', '红色', 'R', NULL),
  ('B01', '蓝色', 'B', NULL),
  ('F01', '红', 'R', '6901234500011'),
  ('F01', '白', 'W', '6901234500028'),
  ('F01', '黑', 'K', '6901234500035'),
  ('F02', 'M', '中', '6901234500103'),
  ('F02', 'L', '大', '6901234500110'),
  ('F02', 'XL', '特大', '6901234500127'),
  ('F03', '2024A', 'A24', NULL),
  ('F03', '2024B', 'B24', NULL);

-- Inventories and parts -----------------------------------------------------------------------
-- 01001 keeps colour and size structured; 01002 keeps nothing structured; 02001 keeps its batch
-- structured; 03001 has no answer for colour (NULL counts as structured).
INSERT INTO Inventory (iid, cInvCode, cInvName, cInvStd, cComUnitName, iInvSPrice,
                       bConfigFree1, bConfigFree2, bConfigFree3) VALUES
  (1, '01001', '男式衬衫', '纯棉长袖', '件', 189.00, 1, 1, 0),
  (2, '01002', 'T恤', '圆领短袖', '件', 59.90, 0, 0, 0),
  (3, '02001', '冷轧钢板', '1.0mm*1250*2500', '张', 420.00, 0, 0, 1),
  (4, '03001', '帆布包', '40*30cm', '个', 45.00, NULL, 0, 0);

INSERT INTO bas_part (InvCode, Free1, Free2, Free3) VALUES
  ('01001', '白', 'M', NULL),
  ('01001', '白', 'L', NULL),
  ('01001', '蓝', 'L', NULL),
  ('02001', NULL, NULL, 'GB2024-01'),
  ('02001', NULL, NULL, 'GB2024-02'),
  ('03001', '卡其', NULL, NULL);

-- Archives ------------------------------------------------------------------------------------
INSERT INTO department (cDepCode, cDepName, iDepGrade) VALUES
  ('01', '总经理办公室', 1),
  ('02', '财务部', 1),
  ('03', '销售部', 1),
  ('0301', '销售一部', 2),
  ('04', '采购部', 1),
  ('05', '仓储部', 1);

INSERT INTO person (cPersonCode, cPersonName, cDepCode, cPersonPhone) VALUES
  ('001', '张伟', '01', '010-65001001'),
  ('002', '李娜', '02', '010-65001002'),
  ('003', '王强', '0301', '010-65001003'),
  ('004', '刘洋', '04', '010-65001004'),
  ('005', '陈静', NULL, NULL);

INSERT INTO customer (iid, cCusCode, cCusName, cCusAbbName, cCusDepart, cCusPhone, iCreditLine)
VALUES
  (1, 'C001', '北京华联商贸有限公司', '华联商贸', '03', '010-88001234', 500000.00),
  (2, 'C002', '上海远航贸易有限公司', '远航贸易', '0301', '021-62345678', 200000.00),
  (3, 'C003', '广州天河电子有限公司', '天河电子', '0301', '020-38881234', 0),
  (4, 'C004', 'Acme Trading Ltd.', 'Acme', '03', '+44 20 7946 0000', 125000.50);

INSERT INTO vendor (iid, cVenCode, cVenName, cVenAbbName, cVenPhone) VALUES
  (1, 'V001', '宁波纺织品有限公司', '宁波纺织', '0574-87001234'),
  (2, 'V002', '宝山钢铁股份有限公司', '宝山钢铁', '021-26641234'),
  (3, 'V003', '义乌箱包厂', '义乌箱包', '0579-85001234');

INSERT INTO code (cCode, cCodeName, iGrade) VALUES
  ('1001', '库存现金', 1),
  ('1002', '银行存款', 1),
  ('100201', '工商银行', 2),
  ('1122', '应收账款', 1),
  ('2202', '应付账款', 1),
  ('6001', '主营业务收入', 1);

INSERT INTO warehouse (cWhCode, cWhName, cWhAddress) VALUES
  ('01', '原料库', '北京市大兴区工业园1号'),
  ('02', '成品库', '北京市大兴区工业园2号'),
  ('03', '退货库', NULL);

INSERT INTO position (cPosCode, cPosName, cWhCode) VALUES
  ('0101', 'A区01架', '01'),
  ('0102', 'A区02架', '01'),
  ('0201', 'B区01架', '02');

INSERT INTO contracts (cContractCode, cContractName, cCusCode, iAmount, dSignDate, bFlag) VALUES
  ('HT2024001', '华联门店年度供货合同', 'C001', 380000.00, '2024-01-15', 1),
  ('HT2024002', '远航贸易试销合同', 'C002', 12500.50, '2024-02-20', 0),
  ('HT2024003', 'Acme export contract', 'C004', 96000.00, '2024-03-08', 1);

-- Column layouts ------------------------------------------------------------------------------
-- The UserDefine layouts are the schema's defaults (schema.sql).
INSERT INTO TarnColumnLayout
  (cLayoutKey, iColumnNo, cExpression, cCaption, iWidth, iOrderNo, bDescending) VALUES
  ('customerRef', 1, 'customer.cCusCode', '客户编码', 1200, 1, 0),
  ('customerRef', 2, 'customer.cCusName', '客户名称', 3000, NULL, 0),
  ('customerRef', 3, 'customer.iCreditLine', '信用额度', 1500, NULL, 0),
  ('vendorRef', 1, 'vendor.cVenCode', '供应商编码', 1200, 1, 0),
  ('vendorRef', 2, 'vendor.cVenName', '供应商名称', 3000, NULL, 0),
  ('inventoryRef', 1, 'Inventory.cInvCode', '存货编码', 1200, 1, 0),
  ('inventoryRef', 2, 'Inventory.cInvName', '存货名称', 2000, NULL, 0),
  ('inventoryRef', 3, 'Inventory.cInvStd', '规格型号', 2000, NULL, 0),
  ('departmentRef', 1, 'department.cDepCode', '部门编码', 1200, 1, 0),
  ('departmentRef', 2, 'department.cDepName', '部门名称', 2000, NULL, 0),
  ('codeRef', 1, 'code.cCode', '科目编码', 1200, 1, 0),
  ('codeRef', 2, 'code.cCodeName', '科目名称', 2000, NULL, 0),
  ('positionRef', 1, 'position.cPosCode', '货位编码', 1200, 1, 0),
  ('positionRef', 2, 'position.cPosName', '货位名称', 2000, NULL, 0),
  ('warehouseRef', 1, 'warehouse.cWhCode', '仓库编码', 1200, 1, 0),
  ('warehouseRef', 2, 'warehouse.cWhName', '仓库名称', 2000, NULL, 0),
  ('personRef', 1, 'person.cPersonCode', '人员编码', 1200, 2, 0),
  ('personRef', 2, 'person.cPersonName', '姓名', 1500, NULL, 0),
  ('personRef', 3, 'department.cDepName', '部门', 2000, 1, 1);

-- Row authorisation ---------------------------------------------------------------------------
-- A user without a grant on an archive table sees none of its rows. demo sees everything;
-- clerk01 sees no vendor, only customers 1 and 3 and departments 03 and 0301, and every row
-- of the other archive tables.
INSERT INTO TarnRowAuth (iGrantId, cUserId, cTableName, cAccess) VALUES
  (1, 'demo', 'customer', 'all'),
  (2, 'clerk01', 'vendor', 'none'),
  (3, 'clerk01', 'customer', 'listed'),
  (4, 'clerk01', 'department', 'listed'),
  (5, 'demo', 'vendor', 'all'),
  (6, 'demo', 'inventory', 'all'),
  (7, 'demo', 'department', 'all'),
  (8, 'demo', 'code', 'all'),
  (9, 'demo', 'position', 'all'),
  (10, 'demo', 'warehouse', 'all'),
  (11, 'demo', 'person', 'all'),
  (12, 'clerk01', 'inventory', 'all'),
  (13, 'clerk01', 'code', 'all'),
  (14, 'clerk01', 'position', 'all'),
  (15, 'clerk01', 'warehouse', 'all'),
  (16, 'clerk01', 'person', 'all');

INSERT INTO TarnRowAuthKey (iGrantId, cKey) VALUES
  (3, '1'),
  (3, '3'),
  (4, '03'),
  (4, '0301');

-- Join texts, resources, voucher field lists --------------------------------------------------
INSERT INTO TarnJoinTable (cTableName, cJoinText) VALUES
  ('person', 'person left join department on person.cDepCode = department.cDepCode');

INSERT INTO TarnResString (cKey, cText) VALUES
  ('Tarn.AA.ARCHIVE.FIELD.inv_free', '自由项'),
  ('Tarn.AA.ARCHIVE.FIELD.inv_code', '存货编码'),
  ('Tarn.AA.ARCHIVE.FIELD.inv_name', '存货名称');

INSERT INTO TarnVoucherField (cTableName, iColumnNo, FieldName, fielddef) VALUES
  ('contracts', 1, 'cContractCode', '合同编号'),
  ('contracts', 2, 'cContractName', '合同名称'),
  ('contracts', 3, 'iAmount', '合同金额');
