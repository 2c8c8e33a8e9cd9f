Attribute VB_Name = "modContinuations"
Option Explicit
Private Const PROCNAME_ As String = "x"

Public Function Describe(ByVal a As Boolean, ByVal b As Boolean) As String
    Dim s As String
    s = PROCNAME_
    If a And _  
       b Then
        s = s & " both"
    End If
    Describe = s
End Function

Public Function Bucket(ByVal n As Long) As Long
    Select Case n
        Case 1, 2, 3, _
141, 142, 143 _
            , 144
            Bucket = 1
        Case Else
            Bucket = 0
    End Select
End Function
