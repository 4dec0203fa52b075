' TarnVelloc.clsVelloc end to end, as an ERP screen's script uses it, with the outside components
' of TarnErp.dll over the demo database reached through ODBC.
'   cscript //nologo screen_over_odbc.vbs <ODBC connection string> <value to archive>
' Database reads go through ADODB.Connection (TarnErp.dll's connection object in the test
' prefix). The script stays ASCII (Wine's cscript reads no UTF-16 script and has no ChrW or
' AscW): the item's Chinese class and name in the expected SQL are read from the database.
' Prints "FAIL ..." per check that fails and "END n failures" when the whole script ran.
Option Explicit

Dim failures
failures = 0

Sub Check(what, actual, expected)
  If CStr(actual) <> CStr(expected) Then
    failures = failures + 1
    WScript.Echo "FAIL " & what & ": got [" & actual & "] expected [" & expected & "]"
  End If
End Sub

Function Rows(database, sql)
  Dim found
  Set found = database.Execute(sql)
  Rows = ""
  Do While Not found.EOF
    Rows = Rows & found.Fields.Item(0).Value & "|" & found.Fields.Item(1).Value & ";"
    found.MoveNext
  Loop
  found.Close
End Function

Dim connection, archived
connection = WScript.Arguments(0)
archived = WScript.Arguments(1)

Dim velloc
Set velloc = CreateObject("TarnVelloc.clsVelloc")
Check "Init", velloc.Init(connection, "demo"), True

Dim database, item
Set database = CreateObject("ADODB.Connection")
database.Open connection
item = Split(Rows(database, "select cClass, cItem from UserDef where cID = 'H01'"), "|")

' The reference of header item 1 matching "W": its SQL, and the rows that SQL reads.
Dim sql, columns, widths
Check "GetRefSQL", velloc.GetRefSQL(0, 0, "cdefine1", "", "", "", "W", sql, columns, widths), True
Check "reference SQL", sql, "Select A.cValue, A.cAlias from UserDefine A, UserDef B " & _
  "where B.cClass = N'" & item(0) & "' and B.cItem =N'" & Replace(item(1), ";", "") & "' " & _
  "and B.cID = A.cID and (cValue like N'%W%' or cAlias like N'%W%')"
Check "reference rows", Rows(database, sql), "Warehouse Upgrade|WU;"
database.Close

' This build has no embedded SQLite: a SQLite file is reached through ODBC only.
On Error Resume Next
database.Open "Provider=SQLite;Data Source=erp.db"
Check "a SQLite connection string", Err.Description, _
  "Component failure: no embedded SQLite in this build: open erp.db through ODBC " & _
  "(Driver=...;Database=...)"
On Error GoTo 0
Check "the connection after the refusal", database.State, 0

' An alias typed by the user becomes the archived value, in the caller's variable.
Dim value
value = "WU"
Check "ValidateAr alias", velloc.ValidateAr(0, 0, "cdefine1", "", "", value, "", False), 0
Check "value for the alias", value, "Warehouse Upgrade"

' A new value archived once: the second validation finds it.
value = archived
Check "ValidateAr archives", velloc.ValidateAr(0, 0, "cdefine1", "", "", value, "", True), 1
Check "archived value", value, archived
value = archived
Check "ValidateAr finds it", velloc.ValidateAr(0, 0, "cdefine1", "", "", value, "", True), 0

WScript.Echo "END " & failures & " failures"
