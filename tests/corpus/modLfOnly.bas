Attribute VB_Name = "modLfOnly"
Option Explicit
Private m_Count As Long
Public Property Get Count() As Long
    Count = m_Count
End Property
Public Property Let Count(ByVal Value As Long)
    m_Count = Value
End Property
