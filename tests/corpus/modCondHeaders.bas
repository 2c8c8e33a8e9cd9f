Attribute VB_Name = "modCondHeaders"
Option Explicit

#If ImplementThunk Then
Public Function InIDE(Optional ByRef B As Boolean = True) As Boolean
    B = False
#Else
Public Function InIDE(Optional ByRef B As Boolean = True) As Boolean
#End If
    Debug.Assert Not InIDE(B)
    InIDE = B
End Function

#If Win64 Then
Private Function PtrAdd(ByVal p As LongPtr, _
                        ByVal n As Long) As LongPtr
#Else
Private Function PtrAdd(ByVal p As Long, _
                        ByVal n As Long) As Long
#End If
    PtrAdd = p + n
End Function
