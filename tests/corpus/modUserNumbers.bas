Attribute VB_Name = "modUserNumbers"
Option Explicit

Public Function Retry(ByVal tries As Long) As Long
    On Error GoTo 900
10	Retry = Retry + 1
20	If Retry < tries Then GoTo 10
    Exit Function
900	Resume 20
End Function
