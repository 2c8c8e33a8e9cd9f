Attribute VB_Name = "modSelectAndConditions"
Option Explicit
#Const TRACING = 0
Public Enum Shade
    Light = 1
    Dark = 2
#If False Then
    Dim Light, Dark
#End If
End Enum
#If Win64 Then
    Private Declare PtrSafe Function GetTickCount Lib "kernel32" () As LongLong
#Else
    Private Declare Function GetTickCount Lib "kernel32" () As Long
#End If
Public Function Describe(ByVal s As Shade) As String
    Select Case s
    Dim prefix As String
    Case Light
        Describe = "light"
    Case Else
        Describe = "dark"
    End Select
#If TRACING Then
    Debug.Print Describe, GetTickCount()
#End If
End Function
