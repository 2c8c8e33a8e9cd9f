Attribute VB_Name = "modMismatchedEnd"
Option Explicit
Private mValue As Long

Public Property Get Value() As Long
    Value = mValue
End Function

Public Property Let Value(ByVal v As Long)
    mValue = v
End Property
