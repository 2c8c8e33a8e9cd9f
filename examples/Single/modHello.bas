Attribute VB_Name = "modHello"
Option Explicit

' Start-up module of the Hello example: shows the greeting window and works out the
' greeting for the time of day.

Private Const kMaxNameLength As Long = 40

Sub Main()
    frmHello.Show
End Sub

' "Good morning, Ada!" and so on; a blank name gets a plain greeting.
Public Function Greeting(ByVal Name As String, ByVal At As Date) As String
    Dim Salutation As String

    Select Case Hour(At)
    Case 5 To 11
        Salutation = "Good morning"
    Case 12 To 17
        Salutation = "Good afternoon"
    Case 18 To 22
        Salutation = "Good evening"
    Case Else
        Salutation = "Hello"
    End Select

    Name = CleanName(Name)
    If Len(Name) = 0 Then
        Greeting = Salutation & "!"
    Else
        Greeting = Salutation & ", " & Name & "!"
    End If
End Function

' The name as typed, without surrounding blanks and cut to a sensible length.
Public Function CleanName(ByVal Name As String) As String
    CleanName = Left$(Trim$(Name), kMaxNameLength)
End Function

' How many times the button was pressed, for the window's status line.
Public Function CountGreetings(ByVal Reset As Boolean) As Long
    Static Count As Long

    If Reset Then Count = 0 Else Count = Count + 1
    CountGreetings = Count
End Function
