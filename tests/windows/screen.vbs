' TarnVelloc.clsVelloc used the way an ERP screen's script uses it: created by its ProgID, given
' its outside components (classes of this script) through its properties, and called late-bound
' with the screen's own variables, which the component fills in by reference.
' Prints one line per check that fails ("FAIL ...") and "END" when the whole script ran: Wine's
' cscript ends with status 0 even after an error, so the harness requires the END line.
Option Explicit

Dim calls, failures
calls = ""
failures = 0

Sub Record(text)
  calls = calls & text & ";"
End Sub

Sub Check(what, actual, expected)
  If CStr(actual) <> CStr(expected) Then
    failures = failures + 1
    WScript.Echo "FAIL " & what & ": got [" & actual & "] expected [" & expected & "]"
  End If
End Sub

Class Field
  Public Value
End Class

' A record set over fixed rows: BOF, EOF, Fields, Item by name or index, Value, MoveNext, Close.
Class RecordSet
  Private names
  Private rows
  Private position

  Public Sub Load(fieldNames, data)
    names = fieldNames
    rows = data
    position = 0
  End Sub

  Public Property Get BOF
    BOF = (UBound(rows) < 0)
  End Property

  Public Property Get EOF
    EOF = (position > UBound(rows))
  End Property

  Public Property Get Fields
    Set Fields = Me
  End Property

  Public Function Item(key)
    Dim i, found
    found = key
    If VarType(key) = vbString Then
      For i = 0 To UBound(names)
        If LCase(names(i)) = LCase(key) Then found = i
      Next
    End If
    Set Item = New Field
    Item.Value = rows(position)(found)
  End Function

  Public Sub MoveNext
    position = position + 1
  End Sub

  Public Sub Close
    Record "Close"
  End Sub
End Class

Function Rows(fieldNames, data)
  Set Rows = New RecordSet
  Rows.Load fieldNames, data
End Function

Class VoucherService
  Public Function OpenX(sql, flag, message)
    Record "OpenX(" & sql & ")"
    Set OpenX = Rows(Array("BTTblName", "cDefWhere"), Array(Array("SO_SOMain", "where iverifystate = 1")))
  End Function

  Public Function GetFieldNames(table, flag, message)
    Record "GetFieldNames(" & table & ")"
    Set GetFieldNames = Rows(Array("FieldName", "fielddef"), _
                             Array(Array("cCode", "Code"), Array("cName", "Name")))
  End Function
End Class

' Knows the value "White" under the alias "W".
Class ArchiveService
  Public Function OpenX(sql)
    If InStr(sql, "A.cAlias =N'W'") > 0 Then
      Record "OpenX(alias W)"
      Set OpenX = Rows(Array("cValue", "cAlias"), Array(Array("White", "W")))
    Else
      Record "OpenX"
      Set OpenX = Rows(Array("cValue", "cAlias"), Array())
    End If
  End Function
End Class

Dim velloc, vouchers, sql, colSet, width, value, ok, code
Set velloc = CreateObject("TarnVelloc.clsVelloc")
Check "g_oVoDbSrv before it is set", velloc.g_oVoDbSrv Is Nothing, True
Set vouchers = New VoucherService
Set velloc.g_oVoDbSrv = vouchers
Set velloc.g_oArDbSrv = New ArchiveService
Check "g_oVoDbSrv gives back the object set", velloc.g_oVoDbSrv Is vouchers, True

' A voucher's own table as the source of a user-defined item.
sql = "unset"
colSet = "unset"
ok = velloc.GetRefSQL(2, 0, "cdefine1", "", "cCode", "SO01", "A1", sql, colSet, width)
Check "GetRefSQL", ok, True
Check "GetRefSQL SQL", sql, "select cCode, cName from SO_SOMain where iverifystate = 1 and cCode like N'%A1%'"
Check "GetRefSQL column set", colSet, "Code,Name"
Check "GetRefSQL calls", calls, _
      "OpenX(select top 1 BTTblName, cDefWhere from Vouchers where CardNumber = N'SO01');Close;" & _
      "GetFieldNames(SO_SOMain);Close;"

' A refusal (no such data source type) leaves the screen's variables as they were.
calls = ""
sql = "kept"
colSet = "kept too"
ok = velloc.GetRefSQL(7, 0, "cdefine1", "", "cCode", "SO01", "A1", sql, colSet, width)
Check "refused GetRefSQL", ok, False
Check "refused GetRefSQL SQL", sql, "kept"
Check "refused GetRefSQL column set", colSet, "kept too"
Check "refused GetRefSQL calls", calls, ""

' An alias typed into a free item is replaced by its value in the screen's variable.
value = "W"
code = velloc.ValidateFreeAr("cfree1", value, False)
Check "ValidateFreeAr alias", code, 0
Check "ValidateFreeAr value", value, "White"
Check "ValidateFreeAr calls", calls, "OpenX;Close;OpenX(alias W);Close;"

' A value found nowhere is refused and stays as typed.
calls = ""
value = "Grey"
code = velloc.ValidateFreeAr("cfree1", value, False)
Check "ValidateFreeAr unknown", code, -1
Check "ValidateFreeAr unknown value", value, "Grey"

' The errors a screen sees for calls the interface does not have.
On Error Resume Next
ok = velloc.GetRefSQL(2, 0, "cdefine1")
Check "wrong argument count", Err.Number, 450
Err.Clear
velloc.Refresh
Check "unknown member", Err.Number, 438
Err.Clear
code = velloc.ValidateFreeAr("cfree1", value, "perhaps")
Check "argument of the wrong kind", Err.Number, 13
Err.Clear
code = velloc.ValidateFreeAr(Null, value, False)
Check "Null for a text", Err.Number & " " & Err.Source & ": " & Err.Description, _
      "94 TarnVelloc.clsVelloc: Invalid use of Null"
Err.Clear
On Error GoTo 0

Set velloc.g_oArDbSrv = Nothing
Check "g_oArDbSrv released", velloc.g_oArDbSrv Is Nothing, True
WScript.Echo "END " & failures & " failures"
