Attribute VB_Name = "modConditionalProcs"
Option Explicit

Public Function Twice(ByVal x As Long) As Long
    Twice = x * 2
End Function

#If Logging Then
Public Sub LogLine(ByVal text As String)
    Debug.Print text
End Sub

Public Sub LogValue(ByVal v As Long)
    LogLine CStr(v)
End Sub
#End If
