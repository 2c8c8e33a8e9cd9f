Attribute VB_Name = "modShiftJis"
Option Explicit
' エラー処理の例
Public Function 読込(ByVal Path As String) As String
    On Error GoTo エラー
    Dim f As Integer
    f = FreeFile
    Open Path For Input As #f
    読込 = Input$(LOF(f), #f)
    Close #f
    Exit Function
エラー:
    MsgBox "読めません: " & Path
End Function
