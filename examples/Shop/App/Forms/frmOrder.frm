VERSION 5.00
Begin VB.Form frmOrder 
   BorderStyle     =   3  'Fixed Dialog
   Caption         =   "New order"
   ClientHeight    =   5055
   ClientLeft      =   45
   ClientTop       =   375
   ClientWidth     =   6975
   LinkTopic       =   "Form1"
   MaxButton       =   0   'False
   MinButton       =   0   'False
   ScaleHeight     =   5055
   ScaleWidth      =   6975
   ShowInTaskbar   =   0   'False
   StartUpPosition =   1  'CenterOwner
   Begin VB.Frame fraCustomer 
      Caption         =   "Customer"
      Height          =   855
      Left            =   120
      TabIndex        =   0
      Top             =   120
      Width           =   6735
      Begin VB.TextBox txtCustomer 
         Height          =   315
         Left            =   1080
         MaxLength       =   8
         TabIndex        =   2
         Text            =   "CASH"
         Top             =   360
         Width           =   1215
      End
      Begin VB.Label lblCustomer 
         Caption         =   "&Code:"
         Height          =   255
         Left            =   240
         TabIndex        =   1
         Top             =   390
         Width           =   735
      End
      Begin VB.Label lblCustomerName 
         Caption         =   "Walk-in customer"
         Height          =   255
         Left            =   2400
         TabIndex        =   3
         Top             =   390
         Width           =   4095
      End
   End
   Begin VB.Frame fraLine 
      Caption         =   "Add a line"
      Height          =   1215
      Left            =   120
      TabIndex        =   4
      Top             =   1080
      Width           =   6735
      Begin VB.CommandButton cmdAddLine 
         Caption         =   "&Add"
         Height          =   375
         Left            =   5400
         TabIndex        =   12
         Top             =   720
         Width           =   1095
      End
      Begin Shop.PriceBox pbxPrice 
         Height          =   315
         Left            =   3000
         TabIndex        =   11
         Top             =   765
         Width           =   1215
         _ExtentX        =   2143
         _ExtentY        =   556
      End
      Begin VB.TextBox txtQuantity 
         Alignment       =   1  'Right Justify
         Height          =   315
         Left            =   1080
         MaxLength       =   4
         TabIndex        =   9
         Text            =   "1"
         Top             =   765
         Width           =   615
      End
      Begin VB.TextBox txtProduct 
         Height          =   315
         Left            =   1080
         MaxLength       =   8
         TabIndex        =   6
         Top             =   360
         Width           =   1215
      End
      Begin VB.Label lblPrice 
         Caption         =   "&Unit price:"
         Height          =   255
         Left            =   1920
         TabIndex        =   10
         Top             =   795
         Width           =   975
      End
      Begin VB.Label lblQuantity 
         Caption         =   "&Quantity:"
         Height          =   255
         Left            =   240
         TabIndex        =   8
         Top             =   795
         Width           =   735
      End
      Begin VB.Label lblProductName 
         Height          =   255
         Left            =   2400
         TabIndex        =   7
         Top             =   390
         Width           =   4095
      End
      Begin VB.Label lblProduct 
         Caption         =   "&Product:"
         Height          =   255
         Left            =   240
         TabIndex        =   5
         Top             =   390
         Width           =   735
      End
   End
   Begin VB.ListBox lstLines 
      BeginProperty Font 
         Name            =   "Courier New"
         Size            =   9
         Charset         =   0
         Weight          =   400
         Underline       =   0   'False
         Italic          =   0   'False
         Strikethrough   =   0   'False
      EndProperty
      Height          =   1410
      IntegralHeight  =   0   'False
      Left            =   120
      TabIndex        =   13
      Top             =   2400
      Width           =   6735
   End
   Begin VB.ComboBox cboPayment 
      Height          =   315
      ItemData        =   "frmOrder.frx":0000
      Left            =   1080
      List            =   "frmOrder.frx":000E
      Style           =   2  'Dropdown List
      TabIndex        =   15
      Top             =   3945
      Width           =   1575
   End
   Begin VB.CommandButton cmdCancel 
      Cancel          =   -1  'True
      Caption         =   "Cancel"
      CausesValidation=   0   'False
      Height          =   375
      Left            =   5760
      TabIndex        =   18
      Top             =   4560
      Width           =   1095
   End
   Begin VB.CommandButton cmdOK 
      Caption         =   "OK"
      Default         =   -1  'True
      Enabled         =   0   'False
      Height          =   375
      Left            =   4560
      TabIndex        =   17
      Top             =   4560
      Width           =   1095
   End
   Begin VB.Label lblTotal 
      Alignment       =   1  'Right Justify
      Caption         =   "Total: 0.00"
      BeginProperty Font 
         Name            =   "MS Sans Serif"
         Size            =   9.75
         Charset         =   0
         Weight          =   700
         Underline       =   0   'False
         Italic          =   0   'False
         Strikethrough   =   0   'False
      EndProperty
      Height          =   300
      Left            =   3480
      TabIndex        =   16
      Top             =   3960
      Width           =   3375
   End
   Begin VB.Label lblPayment 
      Caption         =   "Pa&yment:"
      Height          =   255
      Left            =   120
      TabIndex        =   14
      Top             =   3990
      Width           =   855
   End
End
Attribute VB_Name = "frmOrder"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = False
Attribute VB_PredeclaredId = True
Attribute VB_Exposed = False
Option Explicit

' Order entry. EditNew shows the window modally and hands back the new order, or Nothing
' when the clerk cancels. The payment list and its ItemData, the ShopPayment numbers, are
' stored with the form.

Private Const kDescriptionWidth As Long = 30
Private Const kAmountWidth As Long = 10

Private m_Order As ShopLib.Order
Private m_Accepted As Boolean

' Shows the window for a new order and returns the order, or Nothing when cancelled.
' The form is unloaded again before this returns.
Public Function EditNew() As ShopLib.Order
    Dim Result As ShopLib.Order

    Load Me
    Set m_Order = New ShopLib.Order
    m_Accepted = False
    txtCustomer.Text = m_Order.Customer.Code
    ShowCustomer
    RefreshLines
    Show vbModal

    If m_Accepted Then Set Result = m_Order
    Unload Me
    Set EditNew = Result
End Function

Private Sub Form_Load()
    cboPayment.ListIndex = 0
End Sub

Private Sub Form_QueryUnload(Cancel As Integer, UnloadMode As Integer)
    ' Closing the window means cancelling; EditNew unloads the form once Show returns
    If UnloadMode = vbFormControlMenu Then
        Cancel = True
        cmdCancel_Click
    End If
End Sub

Private Sub Form_Unload(Cancel As Integer)
    Set m_Order = Nothing
End Sub

Private Sub txtCustomer_GotFocus()
    SelectAll txtCustomer
End Sub

' A customer code the till does not know keeps the clerk in the box.
Private Sub txtCustomer_Validate(Cancel As Boolean)
    If UCase$(Trim$(txtCustomer.Text)) = m_Order.Customer.Code Then Exit Sub

    On Error GoTo Refused
    m_Order.Customer = Trim$(txtCustomer.Text)
    ShowCustomer
    RefreshLines
    Exit Sub

Refused:
    Refuse Err.Description
    Cancel = True
End Sub

' Fills in the name and price of the product typed; an unknown code keeps the clerk there.
Private Sub txtProduct_Validate(Cancel As Boolean)
    Dim Entry As PriceEntry

    lblProductName.Caption = vbNullString
    If Len(Trim$(txtProduct.Text)) = 0 Then Exit Sub
    If Not FindPrice(txtProduct.Text, Entry) Then
        Refuse "'" & txtProduct.Text & "' is not in the price list."
        Cancel = True
        Exit Sub
    End If
    lblProductName.Caption = Entry.Description
    pbxPrice.Value = Entry.Price
End Sub

Private Sub txtQuantity_GotFocus()
    SelectAll txtQuantity
End Sub

Private Sub cmdAddLine_Click()
    Dim Entry As PriceEntry
    Dim Quantity As Long

    If Not FindPrice(txtProduct.Text, Entry) Then
        Refuse "Type a product code from the price list first."
        txtProduct.SetFocus
        Exit Sub
    End If
    If Not TryParseQuantity(txtQuantity.Text, Quantity) Then
        Refuse "The quantity is a whole number from 1 to 9999."
        txtQuantity.SetFocus
        Exit Sub
    End If

    On Error GoTo Refused
    m_Order.AddLine RTrim$(Entry.Code), Entry.Description, Quantity, pbxPrice.Value
    On Error GoTo 0
    ClearLine
    RefreshLines
    Exit Sub

Refused:
    Refuse Err.Description
End Sub

' Delete removes the selected line from the order.
Private Sub lstLines_KeyDown(KeyCode As Integer, Shift As Integer)
    If KeyCode <> vbKeyDelete Or lstLines.ListIndex < 0 Then Exit Sub
    m_Order.RemoveLine lstLines.ListIndex + 1
    RefreshLines
End Sub

Private Sub cmdOK_Click()
    Dim Method As ShopPayment

    Method = cboPayment.ItemData(cboPayment.ListIndex)
    If Method = payInvoice And m_Order.Customer.IsWalkIn Then
        Refuse "Invoices are for account customers: type the customer's code first."
        txtCustomer.SetFocus
        Exit Sub
    End If
    m_Order.PaymentMethod = Method
    m_Accepted = True
    Hide
End Sub

Private Sub cmdCancel_Click()
    m_Accepted = False
    Hide
End Sub

Private Sub ShowCustomer()
    lblCustomerName.Caption = m_Order.Customer.Describe()
End Sub

Private Sub ClearLine()
    txtProduct.Text = vbNullString
    lblProductName.Caption = vbNullString
    txtQuantity.Text = "1"
    pbxPrice.Value = 0
    txtProduct.SetFocus
End Sub

' Lists the order's lines and shows the total; OK needs at least one line.
Private Sub RefreshLines()
    Dim Entry As ShopLib.OrderLine

    lstLines.Clear
    For Each Entry In m_Order
        lstLines.AddItem Fixed(Entry.Describe(), kDescriptionWidth) & _
                         Fixed(FormatMoney(Entry.Amount), kAmountWidth, True)
    Next Entry
    lblTotal.Caption = "Total: " & FormatMoney(m_Order.Total)
    cmdOK.Enabled = (m_Order.Count > 0)
End Sub
