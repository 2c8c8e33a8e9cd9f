#include "com/click_sink.h"

#include <exception>
#include <string>

#include "com/module.h"
#include "host/ide_error.h"

namespace kestrix::com {

// {0002E131-0000-0000-C000-000000000046}
const IID kDiidCommandBarEvents = {
    0x0002E131, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

// A flag argument: ByRef Boolean as the IDE passes it, a ByRef Variant holding one, or a
// plain value (which cannot be written back). Null when the argument is none of these.
VARIANT_BOOL* FlagSlot(VARIANT& argument) {
  if (argument.vt == (VT_BYREF | VT_BOOL)) return argument.pboolVal;
  if (argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal != nullptr &&
      argument.pvarVal->vt == VT_BOOL) {
    return &argument.pvarVal->boolVal;
  }
  if (argument.vt == VT_BOOL) return &argument.boolVal;
  return nullptr;
}

}  // namespace

ClickSink::ClickSink(host::CommandBarButton& button, host::CommandBarButton::ClickHandler handler)
    : button_(&button), handler_(std::move(handler)) {
  ObjectCreated();
}

ClickSink::~ClickSink() {
  ObjectDestroyed();
}

void ClickSink::SetHandler(host::CommandBarButton::ClickHandler handler) {
  handler_ = std::move(handler);
}

void ClickSink::Detach() noexcept {
  button_ = nullptr;
  handler_ = nullptr;
}

HRESULT ClickSink::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      IsEqualIID(iid, kDiidCommandBarEvents)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG ClickSink::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG ClickSink::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT ClickSink::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT ClickSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT ClickSink::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (names == nullptr || ids == nullptr) return E_POINTER;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    if (i == 0 && names[0] != nullptr && _wcsicmp(names[0], L"Click") == 0) {
      ids[0] = kDispidClick;
    } else {
      hr = DISP_E_UNKNOWNNAME;
    }
  }
  return hr;
}

HRESULT ClickSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO*, UINT* arg_error) {
  if (result != nullptr) VariantInit(result);
  if (id != kDispidClick) return DISP_E_MEMBERNOTFOUND;
  if (params == nullptr) return E_POINTER;
  // The handler may delete the bar, and with it this sink's last outside reference.
  AddRef();
  HRESULT hr = E_UNEXPECTED;
  try {
    hr = Click(params, arg_error);
  } catch (const host::IdeError& error) {
    LogFailure("Click", error.Description().c_str());
    hr = E_FAIL;
  } catch (const std::exception& error) {
    LogFailure("Click", error.what());
    hr = E_FAIL;
  } catch (...) {
    LogFailure("Click", "unexpected failure");
  }
  Release();
  return hr;
}

HRESULT ClickSink::Click(DISPPARAMS* params, UINT* arg_error) {
  if (params->cArgs != 3) return DISP_E_BADPARAMCOUNT;
  // Last first: the control, handled, CancelDefault.
  VARIANT_BOOL* handled_slot = FlagSlot(params->rgvarg[1]);
  VARIANT_BOOL* cancel_slot = FlagSlot(params->rgvarg[0]);
  if (handled_slot == nullptr || cancel_slot == nullptr) {
    if (arg_error != nullptr) *arg_error = handled_slot == nullptr ? 1 : 0;
    return DISP_E_TYPEMISMATCH;
  }
  bool handled = *handled_slot != VARIANT_FALSE;
  bool cancel_default = *cancel_slot != VARIANT_FALSE;
  bool attached = button_ != nullptr && handler_;
  if (attached) {
    // A copy, so that a handler that replaces or drops itself runs to its end.
    host::CommandBarButton::ClickHandler handler = handler_;
    handler(*button_, handled, cancel_default);
    *handled_slot = handled ? VARIANT_TRUE : VARIANT_FALSE;
    *cancel_slot = cancel_default ? VARIANT_TRUE : VARIANT_FALSE;
  }
  if (LogEnabled()) {
    Log(std::string("Click") + (attached ? "" : " (no handler)") + " -> handled " +
        (handled ? "True" : "False") + ", CancelDefault " + (cancel_default ? "True" : "False"));
  }
  return S_OK;
}

}  // namespace kestrix::com
