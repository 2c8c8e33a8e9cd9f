Attribute VB_Name = "modMissingEndMarker"
'-------- Kestrix Begin --------
Private Const MODULENAME_="modMissingEndMarker"
'-------- Kestrix End ----------
Option Explicit

Public Sub First()
'-------- Kestrix Begin --------
		On Error Goto KestrixLocalHandler
		Const PROCNAME_="First"
'-------- Kestrix End ----------
101	    Debug.Print "first"
'-------- Kestrix Begin --------
	Exit Sub
KestrixLocalHandler:
	Resume Next
End Sub

Public Sub Second()
'-------- Kestrix Begin --------
		On Error Goto KestrixLocalHandler
		Const PROCNAME_="Second"
'-------- Kestrix End ----------
101	    Debug.Print "second"
'-------- Kestrix Begin --------
	Exit Sub
KestrixLocalHandler:
	Resume Next
'-------- Kestrix End ----------
End Sub
