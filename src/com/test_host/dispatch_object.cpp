#include "com/test_host/dispatch_object.h"

#include <new>

#include "host/ide_error.h"

namespace kestrix::com::testing {

std::wstring Widen(std::string_view ansi) {
  if (ansi.empty()) return {};
  int size = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), text.data(), size);
  return text;
}

std::string NarrowAnsi(const wchar_t* text, size_t length) {
  if (text == nullptr || length == 0) return {};
  int size =
      WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), bytes.data(), size, nullptr,
                      nullptr);
  return bytes;
}

std::string NarrowAnsi(BSTR text) {
  return NarrowAnsi(text, text == nullptr ? 0 : SysStringLen(text));
}

BSTR NewBstr(std::string_view ansi) {
  std::wstring wide = Widen(ansi);
  BSTR text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (text == nullptr) throw std::bad_alloc();
  return text;
}

// --- Arguments ---

bool Arguments::Missing(size_t index) const {
  if (index >= params_.cArgs) return true;
  const VARIANT& argument = At(index);
  return argument.vt == VT_ERROR && argument.scode == DISP_E_PARAMNOTFOUND;
}

VARIANT& Arguments::At(size_t index) const {
  return params_.rgvarg[params_.cArgs - 1 - index];
}

VARIANT& Arguments::Required(size_t index) const {
  if (Missing(index)) throw ArgumentError{DISP_E_PARAMNOTFOUND, index};
  return At(index);
}

VARIANT Arguments::Coerced(size_t index, VARTYPE type) const {
  VARIANT plain;
  VariantInit(&plain);
  HRESULT hr = VariantCopyInd(&plain, &Required(index));
  VARIANT value;
  VariantInit(&value);
  if (SUCCEEDED(hr)) hr = VariantChangeType(&value, &plain, 0, type);
  VariantClear(&plain);
  if (FAILED(hr)) {
    throw ArgumentError{hr == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH, index};
  }
  return value;
}

int32_t Arguments::Long(size_t index) const {
  return static_cast<int32_t>(Coerced(index, VT_I4).lVal);
}

int32_t Arguments::Long(size_t index, int32_t fallback) const {
  return Missing(index) ? fallback : Long(index);
}

int16_t Arguments::Integer(size_t index) const {
  return Coerced(index, VT_I2).iVal;
}

bool Arguments::Bool(size_t index) const {
  return Coerced(index, VT_BOOL).boolVal != VARIANT_FALSE;
}

bool Arguments::Bool(size_t index, bool fallback) const {
  return Missing(index) ? fallback : Bool(index);
}

std::string Arguments::Text(size_t index) const {
  VARIANT value = Coerced(index, VT_BSTR);
  std::string text = NarrowAnsi(value.bstrVal);
  VariantClear(&value);
  return text;
}

std::string Arguments::Text(size_t index, std::string_view fallback) const {
  return Missing(index) ? std::string(fallback) : Text(index);
}

bool Arguments::IsText(size_t index) const {
  if (Missing(index)) return false;
  const VARIANT& argument = At(index);
  if (argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal != nullptr) {
    return (argument.pvarVal->vt & VT_TYPEMASK) == VT_BSTR;
  }
  return (argument.vt & VT_TYPEMASK) == VT_BSTR;
}

Ref<IDispatch> Arguments::Object(size_t index) const {
  VARIANT plain;
  VariantInit(&plain);
  if (FAILED(VariantCopyInd(&plain, &Required(index)))) {
    throw ArgumentError{DISP_E_TYPEMISMATCH, index};
  }
  Ref<IDispatch> object;
  HRESULT hr = S_OK;
  if (plain.vt == VT_DISPATCH) {
    object = Ref<IDispatch>::Borrow(plain.pdispVal);
  } else if (plain.vt == VT_UNKNOWN && plain.punkVal != nullptr) {
    hr = plain.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.out()));
  } else if (plain.vt != VT_UNKNOWN) {
    hr = DISP_E_TYPEMISMATCH;
  }
  VariantClear(&plain);
  if (FAILED(hr)) throw ArgumentError{DISP_E_TYPEMISMATCH, index};
  return object;
}

int32_t Arguments::RefLong(size_t index) const {
  VARIANT& argument = Required(index);
  if (argument.vt == (VT_BYREF | VT_I4)) return *argument.plVal;
  if (argument.vt != (VT_BYREF | VT_VARIANT)) throw ArgumentError{DISP_E_TYPEMISMATCH, index};
  VARIANT value;
  VariantInit(&value);
  if (FAILED(VariantChangeType(&value, argument.pvarVal, 0, VT_I4))) {
    throw ArgumentError{DISP_E_TYPEMISMATCH, index};
  }
  return static_cast<int32_t>(value.lVal);
}

void Arguments::SetRefLong(size_t index, int32_t value) const {
  VARIANT& argument = Required(index);
  if (argument.vt == (VT_BYREF | VT_I4)) {
    *argument.plVal = static_cast<LONG>(value);
  } else if (argument.vt == (VT_BYREF | VT_VARIANT)) {
    VariantClear(argument.pvarVal);
    argument.pvarVal->vt = VT_I4;
    argument.pvarVal->lVal = static_cast<LONG>(value);
  } else {
    throw ArgumentError{DISP_E_TYPEMISMATCH, index};
  }
}

bool Arguments::RefBool(size_t index) const {
  VARIANT& argument = Required(index);
  if (argument.vt == (VT_BYREF | VT_BOOL)) return *argument.pboolVal != VARIANT_FALSE;
  if (argument.vt != (VT_BYREF | VT_VARIANT)) throw ArgumentError{DISP_E_TYPEMISMATCH, index};
  VARIANT value;
  VariantInit(&value);
  if (FAILED(VariantChangeType(&value, argument.pvarVal, 0, VT_BOOL))) {
    throw ArgumentError{DISP_E_TYPEMISMATCH, index};
  }
  return value.boolVal != VARIANT_FALSE;
}

void Arguments::SetRefBool(size_t index, bool value) const {
  VARIANT& argument = Required(index);
  VARIANT_BOOL flag = value ? VARIANT_TRUE : VARIANT_FALSE;
  if (argument.vt == (VT_BYREF | VT_BOOL)) {
    *argument.pboolVal = flag;
  } else if (argument.vt == (VT_BYREF | VT_VARIANT)) {
    VariantClear(argument.pvarVal);
    argument.pvarVal->vt = VT_BOOL;
    argument.pvarVal->boolVal = flag;
  } else {
    throw ArgumentError{DISP_E_TYPEMISMATCH, index};
  }
}

// --- Results ---

void ReturnLong(VARIANT* result, int32_t value) {
  if (result == nullptr) return;
  result->vt = VT_I4;
  result->lVal = static_cast<LONG>(value);
}

void ReturnInteger(VARIANT* result, int16_t value) {
  if (result == nullptr) return;
  result->vt = VT_I2;
  result->iVal = value;
}

void ReturnBool(VARIANT* result, bool value) {
  if (result == nullptr) return;
  result->vt = VT_BOOL;
  result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void ReturnText(VARIANT* result, std::string_view ansi) {
  if (result == nullptr) return;
  BSTR text = NewBstr(ansi);
  result->vt = VT_BSTR;
  result->bstrVal = text;
}

void ReturnObject(VARIANT* result, Ref<IDispatch> object) {
  if (result == nullptr) return;
  result->vt = VT_DISPATCH;
  result->pdispVal = object.release();
}

// --- DispatchObject ---

namespace {

// Each class numbers its members from its own base, derived from its name.
DISPID FirstId(std::wstring_view class_name) {
  uint32_t hash = 2166136261u;
  for (wchar_t c : class_name)
    hash = (hash ^ static_cast<uint32_t>(c)) * 16777619u;
  return static_cast<DISPID>(0x1000 + (hash % 0x7000) * 0x100);
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

DispatchObject::DispatchObject(std::wstring class_name, std::shared_ptr<CallHook> hook)
    : class_name_(std::move(class_name)), hook_(std::move(hook)), first_id_(FirstId(class_name_)) {}

DispatchObject::~DispatchObject() = default;

void DispatchObject::Property(std::wstring name, size_t min_args, size_t max_args, Getter get,
                              Setter put) {
  DISPID id = first_id_ + static_cast<DISPID>(members_.size());
  members_.push_back(
      {std::move(name), id, min_args, max_args, false, std::move(get), std::move(put)});
}

void DispatchObject::Method(std::wstring name, size_t min_args, size_t max_args, Getter call) {
  DISPID id = first_id_ + static_cast<DISPID>(members_.size());
  members_.push_back({std::move(name), id, min_args, max_args, true, std::move(call), {}});
}

void DispatchObject::Default(std::wstring_view name) {
  for (Member& member : members_) {
    if (SameName(member.name, name)) member.id = DISPID_VALUE;
  }
}

DISPID DispatchObject::IdOf(std::wstring_view name) const {
  for (const Member& member : members_) {
    if (SameName(member.name, name)) return member.id;
  }
  return DISPID_UNKNOWN;
}

const DispatchObject::Member* DispatchObject::Find(DISPID id) const {
  for (const Member& member : members_) {
    if (member.id == id) return &member;
  }
  return nullptr;
}

HRESULT DispatchObject::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      IsEqualIID(iid, kIidServerObject)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  return QueryOther(iid, object);
}

void DispatchObject::CheckUsable() const {}

HRESULT DispatchObject::QueryOther(REFIID, void**) {
  return E_NOINTERFACE;
}

ULONG DispatchObject::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG DispatchObject::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (names == nullptr || ids == nullptr) return E_POINTER;
  if (count == 0) return S_OK;
  // Parameters have no names here: a call by named arguments is not answered.
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = i == 0 && names[0] != nullptr ? IdOf(names[0]) : DISPID_UNKNOWN;
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* exception, UINT* arg_error) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  const Member* member = Find(id);
  if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  if (result != nullptr) VariantInit(result);
  // The member holds itself and its object: a call may release the caller's last reference.
  AddRef();
  HRESULT hr =
      Call(*member, flags, params != nullptr ? *params : none, result, exception, arg_error);
  Release();
  return hr;
}

HRESULT DispatchObject::Call(const Member& member, WORD flags, const DISPPARAMS& params,
                             VARIANT* result, EXCEPINFO* exception, UINT* arg_error) {
  bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  size_t indexes = params.cArgs;
  if (put) {
    if (!member.put) return DISP_E_MEMBERNOTFOUND;
    if (params.cNamedArgs != 1 || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
        params.cArgs == 0) {
      return DISP_E_PARAMNOTFOUND;
    }
    --indexes;
  } else {
    if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0 || !member.get) {
      return DISP_E_MEMBERNOTFOUND;
    }
    if (params.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  }
  if (indexes < member.min_args || indexes > member.max_args) return DISP_E_BADPARAMCOUNT;
  Arguments arguments(params);
  try {
    CheckUsable();
    if (hook_) hook_->BeforeCall(class_name_, member.name);
    if (put) {
      member.put(arguments);
    } else {
      member.get(arguments, result);
    }
    return S_OK;
  } catch (const ArgumentError& error) {
    if (result != nullptr) VariantClear(result);
    if (arg_error != nullptr && error.index < params.cArgs) {
      *arg_error = static_cast<UINT>(params.cArgs - 1 - error.index);
    }
    return error.hr;
  } catch (const host::IdeError& error) {
    if (result != nullptr) VariantClear(result);
    HRESULT code =
        MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, static_cast<uint16_t>(error.Number()));
    if (exception == nullptr) return code;
    *exception = EXCEPINFO{};
    exception->scode = code;
    exception->bstrSource = NewBstr(error.Source());
    exception->bstrDescription = NewBstr(error.Description());
    return DISP_E_EXCEPTION;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace kestrix::com::testing
