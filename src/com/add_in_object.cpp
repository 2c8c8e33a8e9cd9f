#include "com/add_in_object.h"

#include <string>

#include "com/add_in_session.h"
#include "com/module.h"

namespace kestrix::com {
namespace {

struct EventName {
  const wchar_t* name;
  DISPID id;
  UINT arguments;
};
constexpr EventName kEvents[] = {
    {L"OnConnection", kDispidOnConnection, 4},
    {L"OnDisconnection", kDispidOnDisconnection, 2},
    {L"OnAddInsUpdate", kDispidOnAddInsUpdate, 1},
    {L"OnStartupComplete", kDispidOnStartupComplete, 1},
    {L"OnBeginShutdown", kDispidOnBeginShutdown, 1},
};

const EventName* FindEvent(DISPID id) {
  for (const EventName& event : kEvents) {
    if (event.id == id) return &event;
  }
  return nullptr;
}

// The index-th argument in the caller's order (DISPPARAMS holds them last first).
VARIANT& Argument(DISPPARAMS* params, UINT index) {
  return params->rgvarg[params->cArgs - 1 - index];
}

// An object argument, AddRef'd into `object` (null when the caller passed Nothing or left the
// argument out).
HRESULT ObjectArgument(VARIANT& argument, IDispatch** object) {
  *object = nullptr;
  VARIANT value;
  VariantInit(&value);
  HRESULT hr = VariantCopyInd(&value, &argument);
  if (FAILED(hr)) return hr;
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_ERROR:
      hr = S_OK;
      break;
    case VT_DISPATCH:
      *object = value.pdispVal;
      if (*object != nullptr) (*object)->AddRef();
      hr = S_OK;
      break;
    case VT_UNKNOWN:
      hr = value.punkVal == nullptr
               ? S_OK
               : value.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object));
      if (FAILED(hr)) hr = DISP_E_TYPEMISMATCH;
      break;
    default:
      hr = DISP_E_TYPEMISMATCH;
  }
  VariantClear(&value);
  return hr;
}

HRESULT IntegerArgument(VARIANT& argument, int* number) {
  VARIANT value;
  VariantInit(&value);
  HRESULT hr = VariantChangeType(&value, &argument, 0, VT_I4);
  if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
  *number = static_cast<int>(value.lVal);
  return S_OK;
}

// The events' `custom()` array: passed by reference as Visual Basic does, by value, or left
// out; the add-in does not use it.
HRESULT ArrayArgument(VARIANT& argument, SAFEARRAY*** array, SAFEARRAY** by_value) {
  *array = nullptr;
  VARTYPE type = argument.vt;
  if (type == VT_EMPTY || type == VT_NULL || type == VT_ERROR) return S_OK;
  if ((type & VT_ARRAY) == 0) return DISP_E_TYPEMISMATCH;
  if ((type & VT_BYREF) != 0) {
    *array = argument.pparray;
  } else {
    *by_value = argument.parray;
    *array = by_value;
  }
  return S_OK;
}

}  // namespace

Connect::Connect() {
  ObjectCreated();
}

// An IDE that lets the add-in go without disconnecting it still gets its toolbar back.
Connect::~Connect() {
  session_.reset();
  ObjectDestroyed();
}

AddInSession& Connect::Session() {
  if (session_ == nullptr) session_ = std::make_unique<AddInSession>();
  return *session_;
}

HRESULT Connect::QueryInterface(REFIID iid, void** object) {
  return Guarded("QueryInterface", [&]() -> HRESULT {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, kIidExtensibility2)) {
      *object = static_cast<IDTExtensibility2*>(this);
      AddRef();
    }
    HRESULT hr = *object != nullptr ? S_OK : E_NOINTERFACE;
    if (LogEnabled()) Log("QueryInterface " + DescribeIid(iid) + " -> " + HresultText(hr));
    return hr;
  });
}

ULONG Connect::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG Connect::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT Connect::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT Connect::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT Connect::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  return Guarded("GetIDsOfNames", [&]() -> HRESULT {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (names == nullptr || ids == nullptr) return E_POINTER;
    if (count == 0) return S_OK;
    HRESULT hr = S_OK;
    // The member, then its parameters' names: the events take no named arguments.
    ids[0] = DISPID_UNKNOWN;
    for (const EventName& event : kEvents) {
      if (names[0] != nullptr && _wcsicmp(names[0], event.name) == 0) ids[0] = event.id;
    }
    if (ids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    for (UINT i = 1; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      hr = DISP_E_UNKNOWNNAME;
    }
    if (LogEnabled()) {
      Log("GetIDsOfNames " + Narrow(names[0]) + " -> " + std::to_string(ids[0]) + " " +
          HresultText(hr));
    }
    return hr;
  });
}

HRESULT Connect::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* arg_error) {
  return Guarded("Invoke", [&]() -> HRESULT {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    const EventName* event = FindEvent(id);
    if (LogEnabled()) {
      Log("Invoke " + (event != nullptr ? Narrow(event->name) : std::to_string(id)));
    }
    if (event == nullptr || (flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
    if (params == nullptr) return E_POINTER;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params->cArgs != event->arguments) return DISP_E_BADPARAMCOUNT;
    if (result != nullptr) VariantInit(result);
    HRESULT hr = InvokeEvent(id, params, arg_error);
    if (SUCCEEDED(hr) || hr == DISP_E_TYPEMISMATCH || exception == nullptr) return hr;
    // The event itself failed: report it as an automation exception carrying its code.
    *exception = EXCEPINFO{};
    exception->scode = hr;
    exception->bstrSource = SysAllocString(kProgId);
    std::wstring description = std::wstring(event->name) + L" failed";
    exception->bstrDescription = SysAllocString(description.c_str());
    return DISP_E_EXCEPTION;
  });
}

HRESULT Connect::InvokeEvent(DISPID id, DISPPARAMS* params, UINT* arg_error) {
  UINT last = params->cArgs - 1;
  SAFEARRAY* by_value = nullptr;
  SAFEARRAY** custom = nullptr;
  if (FAILED(ArrayArgument(Argument(params, last), &custom, &by_value))) {
    if (arg_error != nullptr) *arg_error = 0;  // rgvarg's index of the last argument
    return DISP_E_TYPEMISMATCH;
  }
  auto mismatch = [&](UINT index) {
    if (arg_error != nullptr) *arg_error = params->cArgs - 1 - index;
    return DISP_E_TYPEMISMATCH;
  };
  switch (id) {
    case kDispidOnConnection: {
      IDispatch* application = nullptr;
      IDispatch* add_in_inst = nullptr;
      int mode = 0;
      HRESULT hr = S_OK;
      if (FAILED(ObjectArgument(Argument(params, 0), &application))) {
        hr = mismatch(0);
      } else if (FAILED(IntegerArgument(Argument(params, 1), &mode))) {
        hr = mismatch(1);
      } else if (FAILED(ObjectArgument(Argument(params, 2), &add_in_inst))) {
        hr = mismatch(2);
      } else {
        hr = OnConnection(application, static_cast<ext_ConnectMode>(mode), add_in_inst, custom);
      }
      if (application != nullptr) application->Release();
      if (add_in_inst != nullptr) add_in_inst->Release();
      return hr;
    }
    case kDispidOnDisconnection: {
      int mode = 0;
      if (FAILED(IntegerArgument(Argument(params, 0), &mode))) return mismatch(0);
      return OnDisconnection(static_cast<ext_DisconnectMode>(mode), custom);
    }
    case kDispidOnAddInsUpdate:
      return OnAddInsUpdate(custom);
    case kDispidOnStartupComplete:
      return OnStartupComplete(custom);
    default:
      return OnBeginShutdown(custom);
  }
}

HRESULT Connect::OnConnection(IDispatch* application, ext_ConnectMode connect_mode,
                              IDispatch* /*add_in_inst*/, SAFEARRAY** /*custom*/) {
  return Guarded("OnConnection", [&]() -> HRESULT {
    HRESULT hr = Session().Connect(application, connect_mode);
    Log("OnConnection mode " + std::to_string(static_cast<int>(connect_mode)) + " -> " +
        HresultText(hr));
    return hr;
  });
}

HRESULT Connect::OnDisconnection(ext_DisconnectMode remove_mode, SAFEARRAY**) {
  return Guarded("OnDisconnection", [&]() -> HRESULT {
    bool was_connected = session_ != nullptr && session_->Connected();
    HRESULT hr = was_connected ? session_->Disconnect(remove_mode) : S_OK;
    Log("OnDisconnection mode " + std::to_string(static_cast<int>(remove_mode)) +
        (was_connected ? " -> " + HresultText(hr) : " (not connected)"));
    return hr;
  });
}

HRESULT Connect::OnAddInsUpdate(SAFEARRAY**) {
  Log("OnAddInsUpdate");
  return S_OK;
}

HRESULT Connect::OnStartupComplete(SAFEARRAY**) {
  return Guarded("OnStartupComplete", [&]() -> HRESULT {
    Log("OnStartupComplete");
    return session_ != nullptr ? session_->StartupComplete() : S_OK;
  });
}

HRESULT Connect::OnBeginShutdown(SAFEARRAY**) {
  Log("OnBeginShutdown");
  return S_OK;
}

}  // namespace kestrix::com
