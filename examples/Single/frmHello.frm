VERSION 5.00
Begin VB.Form frmHello 
   BorderStyle     =   3  'Fixed Dialog
   Caption         =   "Hello"
   ClientHeight    =   1935
   ClientLeft      =   45
   ClientTop       =   375
   ClientWidth     =   4695
   LinkTopic       =   "Form1"
   MaxButton       =   0   'False
   MinButton       =   0   'False
   ScaleHeight     =   1935
   ScaleWidth      =   4695
   StartUpPosition =   2  'CenterScreen
   Begin VB.CommandButton cmdGreet 
      Caption         =   "&Greet"
      Default         =   -1  'True
      Height          =   375
      Left            =   3360
      TabIndex        =   2
      Top             =   120
      Width           =   1215
   End
   Begin VB.TextBox txtName 
      Height          =   315
      Left            =   960
      MaxLength       =   40
      TabIndex        =   1
      Top             =   150
      Width           =   2295
   End
   Begin VB.Label lblCount 
      Height          =   255
      Left            =   120
      TabIndex        =   4
      Top             =   1560
      Width           =   4455
   End
   Begin VB.Label lblGreeting 
      Alignment       =   2  'Center
      BeginProperty Font 
         Name            =   "MS Sans Serif"
         Size            =   12
         Charset         =   0
         Weight          =   700
         Underline       =   0   'False
         Italic          =   0   'False
         Strikethrough   =   0   'False
      EndProperty
      Height          =   495
      Left            =   120
      TabIndex        =   3
      Top             =   840
      Width           =   4455
   End
   Begin VB.Label lblName 
      Caption         =   "&Name:"
      Height          =   255
      Left            =   120
      TabIndex        =   0
      Top             =   180
      Width           =   735
   End
End
Attribute VB_Name = "frmHello"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = False
Attribute VB_PredeclaredId = True
Attribute VB_Exposed = False
Option Explicit

' Type a name, press Greet, and the window greets you as suits the time of day.

Private Sub Form_Load()
    CountGreetings True
    ShowCount 0
End Sub

Private Sub cmdGreet_Click()
    lblGreeting.Caption = Greeting(txtName.Text, Now)
    ShowCount CountGreetings(False)
    txtName.SetFocus
End Sub

Private Sub txtName_GotFocus()
    txtName.SelStart = 0
    txtName.SelLength = Len(txtName.Text)
End Sub

Private Sub ShowCount(ByVal Count As Long)
    Select Case Count
    Case 0
        lblCount.Caption = "Nobody greeted yet."
    Case 1
        lblCount.Caption = "One greeting so far."
    Case Else
        lblCount.Caption = Count & " greetings so far."
    End Select
End Sub
