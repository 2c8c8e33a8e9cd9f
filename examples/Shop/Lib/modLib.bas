Attribute VB_Name = "modLib"
Option Explicit

' State shared by the library's objects: the VAT rate and the customers the till knows.
' Sub Main runs once per thread, before the first object of the library is created.

Public Const kWalkInCode As String = "CASH"
Public Const kErrUnknownCustomer As Long = vbObjectError + 1100
Public Const kErrInvalidValue As Long = vbObjectError + 1101
Public Const kErrNoSuchOrder As Long = vbObjectError + 1102

Private Const kDefaultVatRate As Double = 0.2

' VAT charged on the discounted subtotal of every order
Public VatRate As Double

' Known customers, keyed by their upper-case code
Private m_Customers As Collection

Sub Main()
    VatRate = kDefaultVatRate
    Set m_Customers = New Collection

    ' Account customers with the discount agreed in their contract
    AddCustomer kWalkInCode, "Walk-in customer", 0
    AddCustomer "K1001", "Ashdown Bakery", 5
    AddCustomer "K1002", "Marsh Lane Garage", 10
    AddCustomer "K1003", "St Olave's School", 12.5
End Sub

' Adds a customer to the list the till looks codes up in, replacing one of the same code.
Public Function AddCustomer(ByVal Code As String, ByVal Name As String, _
                            ByVal DiscountPercent As Double) As Customer
    Dim NewCustomer As Customer

    Set NewCustomer = New Customer
    NewCustomer.Code = Code
    NewCustomer.Name = Name
    NewCustomer.DiscountPercent = DiscountPercent

    If Not FindCustomerOrNothing(Code) Is Nothing Then m_Customers.Remove UCase$(Code)
    m_Customers.Add NewCustomer, UCase$(Code)
    Set AddCustomer = NewCustomer
End Function

' The customer of this code; raises kErrUnknownCustomer when there is none.
Public Function FindCustomer(ByVal Code As String) As Customer
    Set FindCustomer = FindCustomerOrNothing(Code)
    If FindCustomer Is Nothing Then
        Err.Raise kErrUnknownCustomer, "ShopLib", "There is no customer with the code '" & _
                  Code & "'."
    End If
End Function

' The customer of this code, or Nothing.
Public Function FindCustomerOrNothing(ByVal Code As String) As Customer
    ' A host that never ran Sub Main (a unit test harness, say) still gets the list
    If m_Customers Is Nothing Then Main

    ' A Collection raises error 5 for a missing key; here that only means "not found"
    On Error Resume Next
    Set FindCustomerOrNothing = m_Customers(UCase$(Code))
    On Error GoTo 0
End Function

' Raises kErrInvalidValue with a message naming the class and the property at fault.
Public Sub RaiseInvalid(ByVal Source As String, ByVal Message As String)
    Err.Raise kErrInvalidValue, "ShopLib." & Source, Message
End Sub
