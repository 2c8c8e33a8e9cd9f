Attribute VB_Name = "modCommon"
Option Explicit

' Helpers shared by more than one project: money rounding, code checks and the fixed-width
' text of receipts. Keep this module free of references to forms or classes, so that any
' project can add it as it is.

Private Const kMaxCodeLength As Long = 8

' Rounds to whole cents, halves away from zero (1.005 -> 1.01, -1.005 -> -1.01).
' VB's own Round() rounds halves to even, which customers read as an error on a receipt.
Public Function RoundMoney(ByVal Amount As Currency) As Currency
    Dim Cents As Currency

    Cents = Amount * 100
    If Cents >= 0 Then
        RoundMoney = Int(Cents + 0.5) / 100
    Else
        RoundMoney = -Int(-Cents + 0.5) / 100
    End If
End Function

' Amount with thousands separators and two decimals, in the user's locale.
Public Function FormatAmount(ByVal Amount As Currency) As String
    FormatAmount = Format$(Amount, "#,##0.00")
End Function

' True when Code is 1 to 8 letters and digits: the codes printed on shelf labels
' and customer cards.
Public Function IsValidCode(ByVal Code As String) As Boolean
    Dim Position As Long
    Dim Ch As String

    If Len(Code) = 0 Or Len(Code) > kMaxCodeLength Then Exit Function
    For Position = 1 To Len(Code)
        Ch = UCase$(Mid$(Code, Position, 1))
        If Not (Ch Like "[A-Z]" Or Ch Like "#") Then Exit Function
    Next Position
    IsValidCode = True
End Function

' Text cut or padded with blanks on the right to exactly Width characters.
Public Function PadRight(ByVal Text As String, ByVal Width As Long) As String
    If Width <= 0 Then Exit Function
    If Len(Text) >= Width Then
        PadRight = Left$(Text, Width)
    Else
        PadRight = Text & Space$(Width - Len(Text))
    End If
End Function

' Text padded with blanks on the left to Width characters; longer text is kept whole,
' because cutting the front off an amount would change its value.
Public Function PadLeft(ByVal Text As String, ByVal Width As Long) As String
    If Len(Text) >= Width Then
        PadLeft = Text
    Else
        PadLeft = Space$(Width - Len(Text)) & Text
    End If
End Function

' One receipt line: description on the left, amount right-aligned in the last columns.
Public Function ReceiptLine(ByVal Description As String, ByVal Amount As Currency, _
                            ByVal Width As Long) As String
    Dim AmountText As String

    AmountText = FormatAmount(Amount)
    ReceiptLine = PadRight(Description, Width - Len(AmountText) - 1) & " " & AmountText
End Function
