VERSION 5.00
Object = "{831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0"; "MSCOMCTL.OCX"
Begin VB.Form frmMain 
   BorderStyle     =   1  'Fixed Single
   Caption         =   "Shop"
   ClientHeight    =   5760
   ClientLeft      =   45
   ClientTop       =   330
   ClientWidth     =   7815
   Icon            =   "frmMain.frx":0000
   LinkTopic       =   "Form1"
   MaxButton       =   0   'False
   ScaleHeight     =   5760
   ScaleWidth      =   7815
   StartUpPosition =   2  'CenterScreen
   Begin VB.Frame fraNotice 
      Caption         =   "Notice to staff"
      Height          =   1560
      Left            =   120
      TabIndex        =   5
      Top             =   4080
      Width           =   7575
      Begin VB.TextBox txtNotice 
         Height          =   975
         Left            =   120
         Locked          =   -1  'True
         MultiLine       =   -1  'True
         ScrollBars      =   2  'Vertical
         TabIndex        =   6
         Text            =   $"frmMain.frx":0442
         Top             =   240
         Width           =   7335
      End
      Begin VB.Label lblNoticeHint 
         Caption         =   "Read at the start of every shift. Questions go to the manager."
         Height          =   255
         Left            =   120
         TabIndex        =   7
         Top             =   1260
         Width           =   7335
      End
   End
   Begin VB.CommandButton cmdClose 
      Caption         =   "Close"
      Height          =   375
      Left            =   6240
      TabIndex        =   4
      Top             =   3600
      Width           =   1455
   End
   Begin VB.CommandButton cmdReceipt 
      Caption         =   "&Receipt"
      Enabled         =   0   'False
      Height          =   375
      Left            =   3240
      TabIndex        =   3
      Top             =   3600
      Width           =   1455
   End
   Begin VB.CommandButton cmdRemove 
      Caption         =   "Cance&l order"
      Enabled         =   0   'False
      Height          =   375
      Left            =   1680
      TabIndex        =   2
      Top             =   3600
      Width           =   1455
   End
   Begin VB.CommandButton cmdNew 
      Caption         =   "&New order..."
      Default         =   -1  'True
      Height          =   375
      Left            =   120
      TabIndex        =   1
      Top             =   3600
      Width           =   1455
   End
   Begin MSComctlLib.ListView lvwOrders 
      Height          =   2895
      Left            =   120
      TabIndex        =   0
      Top             =   600
      Width           =   7575
      _ExtentX        =   13361
      _ExtentY        =   5106
      View            =   3
      LabelEdit       =   1
      LabelWrap       =   -1  'True
      HideSelection   =   0   'False
      FullRowSelect   =   -1  'True
      GridLines       =   -1  'True
      _Version        =   393217
      ForeColor       =   -2147483640
      BackColor       =   -2147483643
      BorderStyle     =   1
      Appearance      =   1
      BeginProperty Font {0BE35203-8F91-11CE-9DE3-00AA004BB851} 
         Name            =   "MS Sans Serif"
         Size            =   8.25
         Charset         =   0
         Weight          =   400
         Underline       =   0   'False
         Italic          =   0   'False
         Strikethrough   =   0   'False
      EndProperty
      NumItems        =   5
      BeginProperty ColumnHeader(1) {BDD1F052-858B-11D1-B16A-00C0F0283628} 
         Text            =   "Order"
         Object.Width           =   2117
      EndProperty
      BeginProperty ColumnHeader(2) {BDD1F052-858B-11D1-B16A-00C0F0283628} 
         SubItemIndex    =   1
         Text            =   "Time"
         Object.Width           =   1587
      EndProperty
      BeginProperty ColumnHeader(3) {BDD1F052-858B-11D1-B16A-00C0F0283628} 
         SubItemIndex    =   2
         Text            =   "Customer"
         Object.Width           =   5292
      EndProperty
      BeginProperty ColumnHeader(4) {BDD1F052-858B-11D1-B16A-00C0F0283628} 
         SubItemIndex    =   3
         Text            =   "Payment"
         Object.Width           =   1940
      EndProperty
      BeginProperty ColumnHeader(5) {BDD1F052-858B-11D1-B16A-00C0F0283628} 
         Alignment       =   1
         SubItemIndex    =   4
         Text            =   "Total"
         Object.Width           =   2117
      EndProperty
   End
   Begin VB.Label lblTakings 
      Alignment       =   1  'Right Justify
      Caption         =   "0 orders, takings 0.00"
      Height          =   255
      Left            =   3960
      TabIndex        =   9
      Top             =   240
      Width           =   3735
   End
   Begin VB.Label lblTitle 
      Caption         =   "Orders today"
      BeginProperty Font 
         Name            =   "Tahoma"
         Size            =   12
         Charset         =   0
         Weight          =   700
         Underline       =   0   'False
         Italic          =   0   'False
         Strikethrough   =   0   'False
      EndProperty
      Height          =   375
      Left            =   120
      TabIndex        =   8
      Top             =   120
      Width           =   3735
   End
End
Attribute VB_Name = "frmMain"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = False
Attribute VB_PredeclaredId = True
Attribute VB_Exposed = False
Option Explicit

' The till's main window: today's orders and what they come to, with commands to take a
' new order, cancel one and write its receipt. The order book reports every change through
' its events, so the list is updated row by row and never rebuilt.

' Columns of lvwOrders after the first, the order number
Private Const kColTime As Long = 1
Private Const kColCustomer As Long = 2
Private Const kColPayment As Long = 3
Private Const kColTotal As Long = 4

Private Const kMaxOrderNumber As Long = 99999

Private WithEvents m_Book As ShopLib.OrderBook
Attribute m_Book.VB_VarHelpID = -1

Private Sub Form_Load()
    Set m_Book = New ShopLib.OrderBook
    StartNumbering
    If LoadPriceList(App.Path & "\Prices.txt") <= 0 Then LoadDefaultPrices
    Caption = App.Title & " - " & ClerkName()
    UpdateTakings
    Trace "Till opened by " & ClerkName()
End Sub

' The day's orders live in memory only: closing the till with orders in it needs a yes.
Private Sub Form_QueryUnload(Cancel As Integer, UnloadMode As Integer)
    If m_Book.Count = 0 Then Exit Sub
    If Not Confirm("Close the till? The " & m_Book.Count & " orders taken today are not kept.") Then
        Cancel = True
    End If
End Sub

Private Sub Form_Unload(Cancel As Integer)
    Set m_Book = Nothing
    Trace "Till closed"
    StopTrace
End Sub

' Numbering carries on from yesterday: Shop.ini holds the number of the day's first order.
' A value that is not a plausible order number is ignored rather than stopping the till.
Private Sub StartNumbering()
    Dim Setting As String

    Setting = ReadSetting("FirstOrderNumber", "1")
    If Not IsNumeric(Setting) Then Exit Sub
    If Val(Setting) < 1 Or Val(Setting) > kMaxOrderNumber Then Exit Sub
    m_Book.FirstNumber = CLng(Val(Setting))
End Sub

Private Sub cmdNew_Click()
    Dim NewOrder As ShopLib.Order

    Set NewOrder = frmOrder.EditNew()
    If NewOrder Is Nothing Then Exit Sub
    m_Book.Add NewOrder
End Sub

Private Sub cmdRemove_Click()
    Dim Number As Long

    If lvwOrders.SelectedItem Is Nothing Then Exit Sub
    Number = NumberOf(lvwOrders.SelectedItem)
    If Not Confirm("Cancel order " & Format$(Number, "00000") & "?") Then Exit Sub
    m_Book.Remove Number
End Sub

' Writes the receipt of the selected order beside the program and opens it for printing.
Private Sub cmdReceipt_Click()
    Dim Sale As ShopLib.Order
    Dim FileName As String

    If lvwOrders.SelectedItem Is Nothing Then Exit Sub
    Set Sale = m_Book.Find(NumberOf(lvwOrders.SelectedItem))
    If Sale Is Nothing Then Exit Sub

    FileName = App.Path & "\Receipt" & Format$(Sale.Number, "00000") & ".txt"
    If Not SaveReceipt(FileName, Sale) Then
        Refuse "The receipt could not be written to " & FileName & "."
        Exit Sub
    End If
    If Not OpenDocument(hWnd, FileName) Then Refuse "Windows could not open " & FileName & "."
End Sub

Private Sub cmdClose_Click()
    Unload Me
End Sub

Private Sub lvwOrders_DblClick()
    If cmdReceipt.Enabled Then cmdReceipt_Click
End Sub

Private Sub lvwOrders_ItemClick(ByVal Item As MSComctlLib.ListItem)
    UpdateButtons
End Sub

Private Sub m_Book_OrderAdded(ByVal NewOrder As ShopLib.Order)
    Dim Row As MSComctlLib.ListItem

    Set Row = lvwOrders.ListItems.Add(, KeyOf(NewOrder.Number), _
                                      Format$(NewOrder.Number, "00000"))
    Row.SubItems(kColTime) = Format$(NewOrder.Placed, "hh:nn")
    Row.SubItems(kColCustomer) = NewOrder.Customer.Name
    Row.SubItems(kColPayment) = PaymentName(NewOrder.PaymentMethod)
    Row.SubItems(kColTotal) = FormatMoney(NewOrder.Total)
    Set lvwOrders.SelectedItem = Row
    Row.EnsureVisible

    UpdateTakings
    Trace "Order " & NewOrder.Number & " taken, " & FormatMoney(NewOrder.Total)
End Sub

Private Sub m_Book_OrderRemoved(ByVal Number As Long)
    lvwOrders.ListItems.Remove KeyOf(Number)
    UpdateTakings
    Trace "Order " & Number & " cancelled"
End Sub

Private Sub UpdateTakings()
    lblTakings.Caption = m_Book.Count & " orders, takings " & FormatMoney(m_Book.TotalTakings)
    UpdateButtons
End Sub

' Cancel and Receipt act on the selected order.
Private Sub UpdateButtons()
    cmdRemove.Enabled = Not lvwOrders.SelectedItem Is Nothing
    cmdReceipt.Enabled = cmdRemove.Enabled
End Sub

' ListView keys must not start with a digit.
Private Function KeyOf(ByVal Number As Long) As String
    KeyOf = "#" & Number
End Function

Private Function NumberOf(ByVal Row As MSComctlLib.ListItem) As Long
    NumberOf = CLng(Mid$(Row.Key, 2))
End Function
