Attribute VB_Name = "KestrixErrorHandler"
' KestrixSkipModule: this word keeps Kestrix from adding line numbers and error handlers to
' this module, which is the error handler itself.
'
' The error handler Kestrix adds to the programs it builds. When an error occurs, every
' procedure of the program jumps to its own local handler, and the local handler calls
' KestrixHandleError. That writes the error to a log file, shows the report window
' (frmKestrixReport) and returns what the user chose: run the failing statement again, skip
' it and go on, or quit the program.
'
' You may change this module to suit your programs (the text of the report, the log file),
' but keep:
' - the word KestrixSkipModule in the comment above;
' - KestrixHandleError with its parameters and its result: every local handler calls it;
' - KestrixBuildNumber: the report window calls it;
' - BUILDNUMBER undeclared: each build declares this constant itself, as the number of the
'   build (or "N/A"), at the top of this module.
' The original of this file is in the Backup folder beside it.

Option Explicit

' Set to False to keep no log file.
Private Const kLogToFile As Boolean = True

' True while an error is being reported: errors raised meanwhile (by a timer, say, while
' the report window waits for an answer) are logged but not shown.
Private mHandling As Boolean

' Reports an error and returns what the user chose: vbRetry (run the failing statement
' again), vbIgnore (skip it and go on with the next one) or vbAbort (quit the program).
' Never raises an error itself, so the local handler that called it cannot be entered again.
Public Function KestrixHandleError(ByVal Number As Long, ByVal Description As String, _
        ByVal Source As String, ByVal ModuleName As String, ByVal ProcName As String, _
        ByVal LineNumber As Long) As VbMsgBoxResult
    Dim Report As String

    On Error Resume Next
    KestrixHandleError = vbIgnore
    Report = BuildReport(Number, Description, Source, ModuleName, ProcName, LineNumber)
    KestrixLogError Report
    ' A second error while the first one is on screen goes on with the next statement:
    ' retrying could loop, and quitting would throw away the user's work before the first
    ' report has been answered.
    If mHandling Then Exit Function
    mHandling = True
    KestrixHandleError = AskUser(Report)
    mHandling = False
End Function

' The number of this build of the program ("N/A" when builds are not counted).
Public Function KestrixBuildNumber() As String
    KestrixBuildNumber = BUILDNUMBER
End Function

' Adds the report and a blank line to the log file, <program>-errors.log in the program's
' folder. A folder the program may not write to only means that nothing is logged.
Public Sub KestrixLogError(ByVal Report As String)
    Dim FileNumber As Integer

    If Not kLogToFile Then Exit Sub
    On Error Resume Next
    Err.Clear
    FileNumber = FreeFile
    Open LogFileName() For Append As #FileNumber
    If Err.Number <> 0 Then Exit Sub
    Print #FileNumber, Report
    Print #FileNumber, ""
    Close #FileNumber
End Sub

Private Function LogFileName() As String
    Dim Folder As String

    Folder = App.Path
    ' App.Path ends with a backslash only in the root of a drive.
    If Right$(Folder, 1) <> "\" Then Folder = Folder & "\"
    LogFileName = Folder & App.EXEName & "-errors.log"
End Function

' The text of the report: which program, which build, and where and why it failed.
Private Function BuildReport(ByVal Number As Long, ByVal Description As String, _
        ByVal Source As String, ByVal ModuleName As String, ByVal ProcName As String, _
        ByVal LineNumber As Long) As String
    Dim Report As String

    Report = "Program: " & App.Title & vbCrLf
    Report = Report & "Version: " & App.Major & "." & App.Minor & "." & App.Revision & vbCrLf
    Report = Report & "Build: " & BUILDNUMBER & vbCrLf
    Report = Report & "Date: " & Format$(Now, "yyyy-mm-dd hh:nn:ss") & vbCrLf
    Report = Report & "Error: " & Number & " (&H" & Hex$(Number) & ")" & vbCrLf
    Report = Report & "Description: " & Description & vbCrLf
    Report = Report & "Source: " & Source & vbCrLf
    Report = Report & "Module: " & ModuleName & vbCrLf
    Report = Report & "Procedure: " & ProcName & vbCrLf
    Report = Report & "Line: " & LineNumber
    BuildReport = Report
End Function

' Shows the report window and returns the user's choice. Where the window cannot be shown,
' a message box with the same three choices asks instead.
Private Function AskUser(ByVal Report As String) As VbMsgBoxResult
    Dim Dialog As frmKestrixReport
    Dim Pointer As Integer
    Dim Answer As VbMsgBoxResult

    On Error Resume Next
    ' An hourglass left on by the failing code would hide that the window waits for the user.
    Pointer = Screen.MousePointer
    Screen.MousePointer = vbDefault
    Err.Clear
    Set Dialog = New frmKestrixReport
    Dialog.ReportText = Report
    If Err.Number = 0 Then Dialog.Show vbModal
    If Err.Number = 0 Then
        Answer = Dialog.Choice
    Else
        Err.Clear
        Answer = MsgBox(Report, vbAbortRetryIgnore + vbCritical, App.Title)
    End If
    Unload Dialog
    Set Dialog = Nothing
    Screen.MousePointer = Pointer
    AskUser = KnownAnswer(Answer)
End Function

' The answer when it is vbRetry, vbIgnore or vbAbort; vbIgnore for anything else (no answer
' at all), since the local handlers quit the program on any other value.
Private Function KnownAnswer(ByVal Answer As VbMsgBoxResult) As VbMsgBoxResult
    Select Case Answer
    Case vbRetry, vbIgnore, vbAbort
        KnownAnswer = Answer
    Case Else
        KnownAnswer = vbIgnore
    End Select
End Function
