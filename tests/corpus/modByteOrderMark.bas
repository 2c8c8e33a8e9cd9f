Attribute VB_Name = "modByteOrderMark"
Option Explicit
Public Sub Greet()
    Debug.Print "hello"
End Sub
