VERSION 5.00
Begin VB.Form frmKestrixReport 
   BorderStyle     =   3  'Fixed Dialog
   Caption         =   "Program error"
   ClientHeight    =   4695
   ClientLeft      =   45
   ClientTop       =   375
   ClientWidth     =   7215
   LinkTopic       =   "Form1"
   MaxButton       =   0   'False
   MinButton       =   0   'False
   ScaleHeight     =   4695
   ScaleWidth      =   7215
   StartUpPosition =   2  'CenterScreen
   Begin VB.Label lblMessage 
      Caption         =   "The program met an error it did not expect. You can retry the step that failed, skip it and go on, or quit the program."
      Height          =   495
      Left            =   120
      TabIndex        =   0
      Top             =   120
      Width           =   6975
   End
   Begin VB.TextBox txtReport 
      Height          =   2895
      Left            =   120
      Locked          =   -1  'True
      MultiLine       =   -1  'True
      ScrollBars      =   2  'Vertical
      TabIndex        =   1
      Top             =   720
      Width           =   6975
   End
   Begin VB.Label lblSendTo 
      Caption         =   "Please send this report to the author of the program."
      Height          =   255
      Left            =   120
      TabIndex        =   2
      Top             =   3720
      Width           =   6975
   End
   Begin VB.CommandButton cmdRetry 
      Caption         =   "&Retry"
      Height          =   375
      Left            =   120
      TabIndex        =   3
      Top             =   4200
      Width           =   1275
   End
   Begin VB.CommandButton cmdSkip 
      Cancel          =   -1  'True
      Caption         =   "&Skip"
      Height          =   375
      Left            =   1545
      TabIndex        =   4
      Top             =   4200
      Width           =   1275
   End
   Begin VB.CommandButton cmdQuit 
      Caption         =   "&Quit"
      Height          =   375
      Left            =   2970
      TabIndex        =   5
      Top             =   4200
      Width           =   1275
   End
   Begin VB.CommandButton cmdSend 
      Caption         =   "S&end report"
      Height          =   375
      Left            =   4395
      TabIndex        =   6
      Top             =   4200
      Width           =   1275
   End
   Begin VB.CommandButton cmdCopy 
      Caption         =   "&Copy"
      Height          =   375
      Left            =   5820
      TabIndex        =   7
      Top             =   4200
      Width           =   1275
   End
End
Attribute VB_Name = "frmKestrixReport"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = False
Attribute VB_PredeclaredId = True
Attribute VB_Exposed = False
' KestrixSkipModule: this word keeps Kestrix from adding line numbers and error handlers to
' this form, which is part of the error handler.
'
' The error report window. KestrixHandleError (module KestrixErrorHandler) sets the report,
' shows the window modally, reads the user's choice and unloads the window. Each build
' declares the constants YourEmailAddr and YourName, the address and the name reports go
' to, at the top of this code: they are not declared here.
Option Explicit

Private Declare Function ShellExecute Lib "shell32.dll" Alias "ShellExecuteA" _
    (ByVal hwnd As Long, ByVal lpOperation As String, ByVal lpFile As String, _
    ByVal lpParameters As String, ByVal lpDirectory As String, _
    ByVal nShowCmd As Long) As Long

Private Const SW_SHOWNORMAL As Long = 1

' Characters a URL carries as they are; every other byte is written as %XX.
Private Const kUrlSafe As String = _
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~"

Private mChoice As VbMsgBoxResult

' The report the window shows.
Public Property Get ReportText() As String
    ReportText = txtReport.Text
End Property

Public Property Let ReportText(ByVal Value As String)
    txtReport.Text = Value
End Property

' What the user chose: vbRetry, vbIgnore (skip; also when the window was closed) or
' vbAbort (quit).
Public Property Get Choice() As VbMsgBoxResult
    Choice = mChoice
End Property

Private Sub Form_Load()
    mChoice = vbIgnore
    If Len(YourName) > 0 Then
        lblSendTo.Caption = "Please send this report to " & YourName & "."
    End If
End Sub

' Closing the window counts as Skip: the program goes on with the next statement.
Private Sub Form_QueryUnload(Cancel As Integer, UnloadMode As Integer)
    If UnloadMode = vbFormControlMenu Then
        Cancel = True
        Finish vbIgnore
    End If
End Sub

Private Sub cmdRetry_Click()
    Finish vbRetry
End Sub

Private Sub cmdSkip_Click()
    Finish vbIgnore
End Sub

Private Sub cmdQuit_Click()
    Finish vbAbort
End Sub

' Opens a new message to YourEmailAddr in the user's mail program, with the report as its
' text.
Private Sub cmdSend_Click()
    Dim Url As String
    Dim Result As Long

    ' Nothing here is instrumented: an error left unhandled would end the program.
    On Error Resume Next
    Url = "mailto:" & YourEmailAddr & "?subject=" & UrlEncode(MailSubject()) & _
          "&body=" & UrlEncode(txtReport.Text)
    Result = ShellExecute(Me.hwnd, "open", Url, vbNullString, vbNullString, SW_SHOWNORMAL)
    ' ShellExecute reports a failure with a value of 32 or less.
    If Result <= 32 Then
        MsgBox "No mail program could be started. Press Copy, then paste the report " & _
               "into a message of your own.", vbExclamation, Me.Caption
    End If
End Sub

' Puts the report on the clipboard.
Private Sub cmdCopy_Click()
    ' Another program may hold the clipboard open.
    On Error Resume Next
    Clipboard.Clear
    Err.Clear
    Clipboard.SetText txtReport.Text
    If Err.Number <> 0 Then
        MsgBox "The report could not be copied: " & Err.Description, vbExclamation, Me.Caption
    End If
End Sub

' Keeps the choice and hides the window, which ends its modal Show; the caller unloads it.
Private Sub Finish(ByVal Result As VbMsgBoxResult)
    On Error Resume Next
    mChoice = Result
    Me.Hide
End Sub

Private Function MailSubject() As String
    MailSubject = "Error report: " & App.Title & " build " & KestrixBuildNumber()
End Function

' The text percent-encoded for a mailto: URL. Letters, digits and - . _ ~ stay as they are;
' every other character becomes its bytes in the system's ANSI code page as %XX (two bytes
' for a double-byte character), so a line break becomes %0D%0A and a blank %20.
Private Function UrlEncode(ByVal Text As String) As String
    Dim Position As Long
    Dim Letter As String
    Dim Code As Long
    Dim Encoded As String

    For Position = 1 To Len(Text)
        Letter = Mid$(Text, Position, 1)
        If InStr(1, kUrlSafe, Letter, vbBinaryCompare) > 0 Then
            Encoded = Encoded & Letter
        Else
            ' Asc gives a double-byte character as a negative Integer; the mask makes it
            ' the unsigned lead byte and trail byte.
            Code = Asc(Letter) And &HFFFF&
            If Code > &HFF& Then Encoded = Encoded & HexByte(Code \ &H100&)
            Encoded = Encoded & HexByte(Code And &HFF&)
        End If
    Next
    UrlEncode = Encoded
End Function

Private Function HexByte(ByVal Value As Long) As String
    HexByte = "%" & Right$("0" & Hex$(Value), 2)
End Function
