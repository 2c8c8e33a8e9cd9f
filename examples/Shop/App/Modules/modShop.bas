Attribute VB_Name = "modShop"
Option Explicit
DefInt A-Z

' The till's own services: the price list, payment methods, receipts, the clerk's name and
' the settings read from Shop.ini beside the program. Everything that talks to Windows _
  directly lives here, so that the forms stay free of API declarations.

#If Win64 Then
Private Declare PtrSafe Function ShellExecute Lib "shell32.dll" Alias "ShellExecuteA" ( _
    ByVal hWnd As LongPtr, ByVal lpOperation As String, ByVal lpFile As String, _
    ByVal lpParameters As String, ByVal lpDirectory As String, _
    ByVal nShowCmd As Long) As LongPtr
Private Declare PtrSafe Sub Sleep Lib "kernel32" (ByVal dwMilliseconds As Long)
#Else
Private Declare Function ShellExecute Lib "shell32.dll" Alias "ShellExecuteA" ( _
    ByVal hWnd As Long, ByVal lpOperation As String, ByVal lpFile As String, _
    ByVal lpParameters As String, ByVal lpDirectory As String, _
    ByVal nShowCmd As Long) As Long
Private Declare Sub Sleep Lib "kernel32" (ByVal dwMilliseconds As Long)
#End If

Private Declare Function GetPrivateProfileString Lib "kernel32" _
    Alias "GetPrivateProfileStringA" ( _
    ByVal lpApplicationName As String, _
    ByVal lpKeyName As String, _
    ByVal lpDefault As String, _
    ByVal lpReturnedString As String, _
    ByVal nSize As Long, _
    ByVal lpFileName As String) As Long
Private Declare Function GetUserName Lib "advapi32.dll" Alias "GetUserNameA" ( _
    ByVal lpBuffer As String, nSize As Long) As Long

Private Const SW_SHOWNORMAL As Long = 1
Private Const kSaveAttempts As Integer = 3

' One product of the price list
Public Type PriceEntry
    Code As String * 8
    Description As String
    Price As Currency
End Type

' How a customer pays; the numbers are stored with each order
Public Enum ShopPayment
    payCash = 1
    payCard = 2
    payInvoice = 3
End Enum

Private m_Prices() As PriceEntry
Private m_PriceCount As Long
Private m_Log As clsLog

' Window handles are pointer-sized: one body serves both declarations.
#If Win64 Then
Private Function Ptr(ByVal p As LongPtr) As LongPtr
#Else
Private Function Ptr(ByVal p As Long) As Long
#End If
    Ptr = p
End Function

' Opens a file in the program Windows associates with it (receipts open in Notepad).
Public Function OpenDocument(ByVal OwnerWindow As Long, ByVal FileName As String) As Boolean
    ' ShellExecute returns a value above 32 on success, an error code otherwise
    OpenDocument = ShellExecute(Ptr(OwnerWindow), "open", FileName, vbNullString, _
                                vbNullString, SW_SHOWNORMAL) > 32
End Function

' A value from the [Till] section of Shop.ini beside the program, or DefaultValue.
Public Function ReadSetting(ByVal Key As String, ByVal DefaultValue As String) As String
    Dim Buffer As String
    Dim Length As Long

    Buffer = String$(256, vbNullChar)
    Length = GetPrivateProfileString("Till", Key, DefaultValue, Buffer, Len(Buffer), _
                                     App.Path & "\Shop.ini")
    ReadSetting = Left$(Buffer, Length)
End Function

' The Windows user name of the clerk at the till.
Public Function ClerkName() As String
    Dim Buffer As String
    Dim Size As Long

    Buffer = String$(128, vbNullChar)
    Size = Len(Buffer)
    If GetUserName(Buffer, Size) = 0 Then ClerkName = "clerk": Exit Function
    ' Size counts the terminating null
    ClerkName = Left$(Buffer, Size - 1)
End Function

' Reads the price list: one product a line, "code<Tab>description<Tab>price", price with a
' decimal point. Returns the number of products read, or -1 when the file is missing.
Public Function LoadPriceList(ByVal FileName As String) As Long
    Dim FileNo As Integer
    Dim Text As String

    On Error GoTo ErrHandler
10  m_PriceCount = 0
20  FileNo = FreeFile
30  Open FileName For Input As #FileNo
40  Do While Not EOF(FileNo)
50      Line Input #FileNo, Text
60      If AddPriceEntry(Text) Then LoadPriceList = LoadPriceList + 1
70  Loop
80  Close #FileNo
    Exit Function

ErrHandler:
    ' Line 30 fails for a missing file: the caller falls back to the built-in prices
    If Erl = 30 Then LoadPriceList = -1: Exit Function
    Trace "LoadPriceList failed at line " & Erl & ": " & Err.Description
    Close #FileNo
    LoadPriceList = -1
End Function

' The few products the till knows without a price list, for a first start.
Public Sub LoadDefaultPrices()
    m_PriceCount = 0
    AddPriceEntry "BREAD1" & vbTab & "White loaf" & vbTab & "1.45"
    AddPriceEntry "BREAD2" & vbTab & "Rye loaf" & vbTab & "2.40"
    AddPriceEntry "MILK1" & vbTab & "Milk, 1 litre" & vbTab & "0.95"
    AddPriceEntry "EGGS6" & vbTab & "Free-range eggs, six" & vbTab & "2.10"
    AddPriceEntry "COFFEE" & vbTab & "Ground coffee, 250 g" & vbTab & "4.75"
End Sub

' Adds one line of the price list; False for blank lines, comments and malformed lines.
Private Function AddPriceEntry(ByVal Text As String) As Boolean
    Dim Fields() As String

    ' Blank lines and lines starting with a semicolon are comments
    If Len(Trim$(Text)) = 0 Or Left$(Text, 1) = ";" Then GoTo Skip
    Fields = Split(Text, vbTab)
    If UBound(Fields) < 2 Then GoTo Skip
    If Not IsNumeric(Fields(2)) Then GoTo Skip
    If Val(Fields(2)) < 0 Then GoTo Skip

    ReDim Preserve m_Prices(m_PriceCount)
    m_Prices(m_PriceCount).Code = UCase$(Trim$(Fields(0)))
    m_Prices(m_PriceCount).Description = Trim$(Fields(1))
    ' Val reads the decimal point whatever the locale of the till
    m_Prices(m_PriceCount).Price = CCur(Val(Fields(2)))
    m_PriceCount = m_PriceCount + 1
    AddPriceEntry = True
Skip:
End Function

' Looks a product up by its code; False when the price list does not have it.
Public Function FindPrice(ByVal Code As String, ByRef Entry As PriceEntry) As Boolean
    Dim Index As Long

    For Index = 0 To m_PriceCount - 1
        If RTrim$(m_Prices(Index).Code) = UCase$(Trim$(Code)) Then
            Entry = m_Prices(Index)
            FindPrice = True
            Exit Function
        End If
    Next Index
End Function

' The name of a payment method, as printed on screen and on receipts.
Public Function PaymentName(ByVal Method As ShopPayment) As String
    Select Case Method
    Case payCash
        PaymentName = "Cash"
    Case payCard
        PaymentName = "Card"
    Case payInvoice
        PaymentName = "Invoice"
    Case Else
        PaymentName = "Unknown (" & Method & ")"
    End Select
End Function

' Reads a whole number of items from 1 to 9999 typed by the clerk.
Public Function TryParseQuantity(ByVal Text As String, ByRef Quantity As Long) As Boolean
    Text = Trim$(Text)
    If Len(Text) = 0 Or Len(Text) > 4 Or Not Text Like String$(Len(Text), "#") Then Exit Function
    If CLng(Text) < 1 Then Exit Function
    Quantity = CLng(Text): TryParseQuantity = True: End Function

' Writes a receipt to FileName. The spooler of the receipt printer holds the previous file
' for a moment after printing, so a failed attempt is retried twice before giving up.
Public Function SaveReceipt(ByVal FileName As String, ByVal Sale As ShopLib.Order) As Boolean
    Dim FileNo As Integer
    Dim Attempts As Integer
    Dim Header As String

    Header = "Harbour Street Stores - receipt " & Format$(NextReceiptNumber(), "000000") & _
             " - clerk " & ClerkName() & " - paid by " & _
             PaymentName(Sale.PaymentMethod)

    On Error GoTo ErrHandler
Retry:
    FileNo = FreeFile
    Open FileName For Output As #FileNo
    Print #FileNo, Header
    Print #FileNo, Sale.ReceiptText()
    Close #FileNo
    SaveReceipt = True
    Exit Function

ErrHandler:
    Attempts = Attempts + 1
    Close #FileNo
    If Attempts < kSaveAttempts Then
        Sleep 250
        Resume Retry
    End If
    Trace "SaveReceipt gave up on " & FileName & ": " & Err.Description
    ' Half a receipt must not be printed by mistake
    DeleteQuietly FileName
End Function

' Deletes a file if it is there; a file that is missing is as good as deleted.
Public Sub DeleteQuietly(ByVal FileName As String)
    On Error Resume Next
    Kill FileName
    On Error GoTo 0
End Sub

' Receipt numbers count up for as long as the till program runs.
Public Static Function NextReceiptNumber() As Long
    Dim Last As Long

    Last = Last + 1
    NextReceiptNumber = Last
End Function

' Target for menu entries and buttons that have nothing to do yet.
Public Sub Nop(): End Sub

' Writes a line to the trace log when the program is built with TRACE = 1, and to the
' Immediate window while debugging.
Public Sub Trace(ByVal Text As String)
#If TRACE Then
    If m_Log Is Nothing Then
        Set m_Log = New clsLog
        m_Log.OpenLog App.Path & "\Shop.log"
    End If
    m_Log.WriteLine Text
#End If
#If DEBUGMODE Then
    Debug.Print Format$(Now, "hh:nn:ss"); " "; Text
#End If
End Sub

' Closes the trace log; called when the main window unloads.
Public Sub StopTrace()
    If Not m_Log Is Nothing Then m_Log.CloseLog
    Set m_Log = Nothing
End Sub
