VERSION 5.00
Begin VB.UserControl PriceBox 
   ClientHeight    =   315
   ClientLeft      =   0
   ClientTop       =   0
   ClientWidth     =   1455
   ScaleHeight     =   315
   ScaleWidth      =   1455
   ToolboxBitmap   =   "PriceBox.ctx":0000
   Begin VB.TextBox txtAmount 
      Alignment       =   1  'Right Justify
      Height          =   315
      Left            =   0
      MaxLength       =   12
      TabIndex        =   0
      Text            =   "0.00"
      Top             =   0
      Width           =   1455
   End
End
Attribute VB_Name = "PriceBox"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = True
Attribute VB_PredeclaredId = False
Attribute VB_Exposed = False
Option Explicit

' A text box for money: right-aligned, takes digits and one decimal separator, and shows
' the amount with two decimals once the clerk leaves it. What cannot be read as an amount
' is replaced by the last good value instead of being kept half-typed.

Private Const kAsciiComma As Integer = 44
Private Const kAsciiPoint As Integer = 46

' Raised when Value changes, whether typed or set by code
Public Event Change()

Private m_Value As Currency

' The amount shown; the control's default property.
Public Property Get Value() As Currency
Attribute Value.VB_UserMemId = 0
    Value = m_Value
End Property

Public Property Let Value(ByVal NewValue As Currency)
    If NewValue < 0 Then Err.Raise 380, "PriceBox.Value", "An amount cannot be negative."
    txtAmount.Text = FormatMoney(NewValue)
    If NewValue = m_Value Then Exit Property
    m_Value = NewValue
    PropertyChanged "Value"
    RaiseEvent Change
End Property

' Enabled has the standard procedure ID, so that the form can disable the control like any other.
Public Property Get Enabled() As Boolean
Attribute Enabled.VB_UserMemId = -514
    Enabled = UserControl.Enabled
End Property

Public Property Let Enabled(ByVal NewValue As Boolean)
    ApplyEnabled NewValue
    PropertyChanged "Enabled"
End Property

Private Sub ApplyEnabled(ByVal NewValue As Boolean)
    UserControl.Enabled = NewValue
    txtAmount.Enabled = NewValue
End Sub

' The text the next key press keeps: typing replaces the selection.
Private Function TextOutsideSelection() As String
    With txtAmount
        TextOutsideSelection = Left$(.Text, .SelStart) & Mid$(.Text, .SelStart + .SelLength + 1)
    End With
End Function

Private Sub txtAmount_GotFocus()
    SelectAll txtAmount
End Sub

Private Sub txtAmount_KeyPress(KeyAscii As Integer)
    Dim Kept As String

    Select Case KeyAscii
    Case vbKey0 To vbKey9, vbKeyBack
        ' always welcome
    Case kAsciiComma, kAsciiPoint
        ' one separator only
        Kept = TextOutsideSelection()
        If InStr(Kept, ",") + InStr(Kept, ".") > 0 Then KeyAscii = 0
    Case Else
        KeyAscii = 0
    End Select
End Sub

Private Sub txtAmount_LostFocus()
    Dim Amount As Currency

    If ParseMoney(txtAmount.Text, Amount) Then
        Value = Amount
    Else
        txtAmount.Text = FormatMoney(m_Value)
    End If
End Sub

Private Sub UserControl_Resize()
    txtAmount.Move 0, 0, ScaleWidth, ScaleHeight
End Sub

Private Sub UserControl_InitProperties()
    m_Value = 0
    txtAmount.Text = FormatMoney(m_Value)
End Sub

Private Sub UserControl_ReadProperties(PropBag As PropertyBag)
    m_Value = PropBag.ReadProperty("Value", 0)
    txtAmount.Text = FormatMoney(m_Value)
    ApplyEnabled PropBag.ReadProperty("Enabled", True)
End Sub

Private Sub UserControl_WriteProperties(PropBag As PropertyBag)
    PropBag.WriteProperty "Value", m_Value, 0
    PropBag.WriteProperty "Enabled", UserControl.Enabled, True
End Sub
