-- What `velloc validate cdefine3 HD` asks of the demo company after connecting, its values written
-- in (tests/postgres/validation_statements.sh holds the command's own log of them).
select count(*) from UserDefine where 1 = 0;
select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass ='单据头' and B.cItem ='自定义项3' and B.cID = A.cID and A.cValue ='HD';
select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass ='单据头' and B.cItem ='自定义项3' and B.cID = A.cID and A.cAlias ='HD';
select cID, cType, iMaxLen from UserDef where cClass = '单据头' and cItem = '自定义项3' limit 1;
select cValue from UserDefine where cID = 'H03' and cValue = 'HD' order by cValue limit 1;
