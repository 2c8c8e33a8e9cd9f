Attribute VB_Name = "modDoubled"
Option Explicit

#If DebugBuild Then
Public Sub Trace(ByVal text As String)
    Debug.Print text
End Sub
#Else
Public Sub Trace(ByVal text As String)
    If Len(text) = 0 Then Exit Sub
End Sub
#End If

Public Sub Run()
    Trace "run"
End Sub
