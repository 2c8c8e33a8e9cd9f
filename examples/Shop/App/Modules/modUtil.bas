Attribute VB_Name = "modUtil"
Option Explicit

' Small helpers for the forms: money in text boxes, fixed-width list text, questions.

' Money as the till shows it: thousands separators and two decimals.
Public Function FormatMoney(ByVal Amount As Currency) As String
    FormatMoney = Format$(Amount, "#,##0.00")
End Function

' Reads an amount typed by the clerk. Both "1.50" and "1,50" mean one and a half: the
' till keyboards have only one of the two keys on their number pad. Thousands separators
' are not accepted, so "1,500" is refused rather than read as 1.5 or 1500.
Public Function ParseMoney(ByVal Text As String, ByRef Amount As Currency) As Boolean
    Dim Position As Long
    Dim Separators As Long
    Dim Ch As String

    Text = Trim$(Text)
    If Len(Text) = 0 Then Exit Function
    For Position = 1 To Len(Text)
        Ch = Mid$(Text, Position, 1)
        If Ch = "," Or Ch = "." Then
            Separators = Separators + 1
            Mid$(Text, Position, 1) = "."
        ElseIf Not Ch Like "#" Then
            Exit Function
        End If
    Next Position
    If Separators > 1 Or Separators = Len(Text) Then Exit Function
    If Separators = 1 And Len(Text) - InStr(Text, ".") > 2 Then Exit Function

    ' Val reads the decimal point whatever the user's locale says
    Amount = CCur(Val(Text))
    ParseMoney = True
End Function

' Selects the whole text of a box, so that typing replaces it.
Public Sub SelectAll(ByVal Box As TextBox)
    Box.SelStart = 0
    Box.SelLength = Len(Box.Text)
End Sub

' Text padded with blanks to Width characters, on the right or (for numbers) on the left.
' Text longer than Width is cut on the right.
Public Function Fixed(ByVal Text As String, ByVal Width As Long, _
                      Optional ByVal AlignRight As Boolean = False) As String
    If Width <= 0 Then Exit Function
    If Len(Text) >= Width Then
        Fixed = Left$(Text, Width)
    ElseIf AlignRight Then
        Fixed = Space$(Width - Len(Text)) & Text
    Else
        Fixed = Text & Space$(Width - Len(Text))
    End If
End Function

' Asks a yes/no question; True for Yes.
Public Function Confirm(ByVal Question As String) As Boolean
    Confirm = (MsgBox(Question, vbQuestion + vbYesNo + vbDefaultButton2, App.Title) = vbYes)
End Function

' Tells the clerk why something was refused.
Public Sub Refuse(ByVal Message As String)
    MsgBox Message, vbExclamation, App.Title
End Sub
