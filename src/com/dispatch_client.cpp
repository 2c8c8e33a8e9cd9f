#include "com/dispatch_client.h"

#include <cstdio>

#include "com/module.h"

namespace kestrix::com {
namespace {

constexpr size_t kMaxArguments = 8;
constexpr size_t kLoggedTextLength = 60;

bool IsMissingName(HRESULT hr) {
  return hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND;
}

std::string QualifiedName(const Member& member) {
  return std::string(KindName(member.kind)) + "." + Narrow(member.name);
}

std::string Shortened(std::string text) {
  if (text.size() > kLoggedTextLength) {
    text.resize(kLoggedTextLength);
    text += "...";
  }
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = '|';
  }
  return text;
}

}  // namespace

Ref<IUnknown> Identity(IUnknown* object) {
  Ref<IUnknown> identity;
  if (object == nullptr) return identity;
  if (FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity.Out())))) {
    identity.Reset();
  }
  return identity;
}

Variant Variant::Long(int32_t number) {
  Variant v;
  v.value_.vt = VT_I4;
  v.value_.lVal = number;
  return v;
}

Variant Variant::Short(int16_t number) {
  Variant v;
  v.value_.vt = VT_I2;
  v.value_.iVal = number;
  return v;
}

Variant Variant::Bool(bool flag) {
  Variant v;
  v.value_.vt = VT_BOOL;
  v.value_.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant Variant::Text(std::string_view ansi) {
  Variant v;
  v.value_.bstrVal = ToBstr(ansi);
  v.value_.vt = VT_BSTR;
  return v;
}

Variant Variant::Object(IDispatch* object) {
  Variant v;
  v.value_.vt = VT_DISPATCH;
  v.value_.pdispVal = object;
  if (object != nullptr) object->AddRef();
  return v;
}

Variant Variant::Missing() {
  Variant v;
  v.value_.vt = VT_ERROR;
  v.value_.scode = DISP_E_PARAMNOTFOUND;
  return v;
}

Variant Variant::LongRef(LONG* target) {
  Variant v;
  v.value_.vt = VT_BYREF | VT_I4;
  v.value_.plVal = target;
  return v;
}

Variant Variant::BoolRef(VARIANT_BOOL* target) {
  Variant v;
  v.value_.vt = VT_BYREF | VT_BOOL;
  v.value_.pboolVal = target;
  return v;
}

BSTR ToBstr(std::string_view ansi) {
  if (ansi.empty()) {
    BSTR empty = SysAllocStringLen(nullptr, 0);
    if (empty == nullptr) throw std::bad_alloc();
    return empty;
  }
  if (ansi.size() > 0x3FFFFFFF) throw std::bad_alloc();
  int length = static_cast<int>(ansi.size());
  int wide = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
  BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(wide));
  if (text == nullptr) throw std::bad_alloc();
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, text, wide);
  return text;
}

std::string FromBstr(BSTR text) {
  UINT length = SysStringLen(text);
  if (length == 0) return {};
  int wide = static_cast<int>(length);
  int size = WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, wide, result.data(), size, nullptr, nullptr);
  return result;
}

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::kVbe:
      return "VBE";
    case Kind::kProjects:
      return "VBProjects";
    case Kind::kProject:
      return "VBProject";
    case Kind::kComponents:
      return "VBComponents";
    case Kind::kComponent:
      return "VBComponent";
    case Kind::kCodeModule:
      return "CodeModule";
    case Kind::kCodePane:
      return "CodePane";
    case Kind::kEvents:
      return "Events";
    case Kind::kCommandBars:
      return "CommandBars";
    case Kind::kCommandBar:
      return "CommandBar";
    case Kind::kControls:
      return "CommandBarControls";
    case Kind::kButton:
      return "CommandBarButton";
    case Kind::kKindCount:
      break;
  }
  return "?";
}

std::string DescribeVariant(const VARIANT& value) {
  bool by_ref = (value.vt & VT_BYREF) != 0;
  VARTYPE type = static_cast<VARTYPE>(value.vt & ~VT_BYREF);
  std::string prefix = by_ref ? "&" : "";
  switch (type) {
    case VT_EMPTY:
      return prefix + "Empty";
    case VT_NULL:
      return prefix + "Null";
    case VT_ERROR:
      return (by_ref ? *value.pscode : value.scode) == DISP_E_PARAMNOTFOUND ? "(missing)" : "Error";
    case VT_I2:
      return prefix + std::to_string(by_ref ? *value.piVal : value.iVal);
    case VT_I4:
      return prefix + std::to_string(by_ref ? *value.plVal : value.lVal);
    case VT_BOOL:
      return prefix + ((by_ref ? *value.pboolVal : value.boolVal) ? "True" : "False");
    case VT_BSTR:
      return prefix + "\"" + Shortened(Narrow(by_ref ? *value.pbstrVal : value.bstrVal)) + "\"";
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      IUnknown* object = by_ref ? *value.ppunkVal : value.punkVal;
      return prefix + (object == nullptr ? "Nothing" : "<object>");
    }
    default: {
      char text[24];
      std::snprintf(text, sizeof text, "<vt %u>", static_cast<unsigned>(value.vt));
      return text;
    }
  }
}

host::IdeError CallError(const Member& member, HRESULT hr, EXCEPINFO* exception, UINT arg_error) {
  std::string name = QualifiedName(member);
  if (hr == DISP_E_EXCEPTION && exception != nullptr) {
    if (exception->pfnDeferredFillIn != nullptr) exception->pfnDeferredFillIn(exception);
    HRESULT code = exception->scode;
    int32_t number = 0;
    if (exception->wCode != 0) {
      number = exception->wCode;
    } else if (HRESULT_FACILITY(code) == FACILITY_CONTROL) {
      number = HRESULT_CODE(code);
    } else {
      number = static_cast<int32_t>(code);
    }
    std::string description = FromBstr(exception->bstrDescription);
    std::string source = FromBstr(exception->bstrSource);
    if (description.empty()) description = name + " failed (" + HresultText(code) + ").";
    if (source.empty()) source = KindName(member.kind);
    return host::IdeError(number, std::move(description), std::move(source));
  }
  if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) {
    return host::IdeError(HRESULT_CODE(hr), name + " failed (" + HresultText(hr) + ").",
                          KindName(member.kind));
  }
  std::string reason;
  switch (hr) {
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND:
      reason = "the IDE has no such member";
      break;
    case DISP_E_TYPEMISMATCH:
    case DISP_E_PARAMNOTFOUND:
      reason = "the IDE refused argument " + std::to_string(arg_error + 1) + " from the end";
      break;
    case DISP_E_BADPARAMCOUNT:
      reason = "the IDE expects another number of arguments";
      break;
    case RPC_E_DISCONNECTED:
    case RPC_E_SERVER_DIED:
    case RPC_E_SERVER_DIED_DNE:
      reason = "the IDE's object is gone";
      break;
    default:
      reason = "the call failed";
  }
  int32_t number = hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND
                       ? host::kErrNotSupported
                       : static_cast<int32_t>(hr);
  return host::IdeError(number, name + ": " + reason + " (" + HresultText(hr) + ").",
                        KindName(member.kind));
}

DispatchClient::DispatchClient(bool logging) : logging_(logging) {
  for (auto& kind : ids_)
    kind.fill(kUnresolved);
}

DISPID DispatchClient::Resolve(IDispatch* object, const Member& member) {
  DISPID& id = ids_[static_cast<size_t>(member.kind)][static_cast<size_t>(member.slot)];
  if (id != kUnresolved) return id;
  LPOLESTR names[] = {const_cast<LPOLESTR>(member.name)};
  DISPID found = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &found);
  if (logging_) {
    Log("IDE GetIDsOfNames " + QualifiedName(member) + " -> " +
        (SUCCEEDED(hr) ? std::to_string(found) : HresultText(hr)));
  }
  if (IsMissingName(hr)) {
    id = kNoSuchName;
    return id;
  }
  if (FAILED(hr)) throw CallError(member, hr, nullptr, 0);
  id = found;
  return id;
}

bool DispatchClient::Has(IDispatch* object, const Member& member) {
  return Resolve(object, member) != kNoSuchName;
}

void DispatchClient::Invoke(IDispatch* object, const Member& member, WORD flags, VARIANT* arguments,
                            UINT count, bool put, VARIANT* result) {
  if (object == nullptr) {
    throw host::IdeError(host::kErrNoActiveCodePane,
                         QualifiedName(member) + ": the IDE's object is not set.",
                         KindName(member.kind));
  }
  DISPID id = Resolve(object, member);
  if (id == kNoSuchName) throw CallError(member, DISP_E_UNKNOWNNAME, nullptr, 0);
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS params = {arguments, put ? &put_id : nullptr, count, put ? 1u : 0u};
  std::string before;
  if (logging_) {
    // Arguments in the caller's order (DISPPARAMS holds them last first).
    for (UINT i = count; i-- > 0;) {
      before += DescribeVariant(arguments[i]);
      if (i != 0) before += ", ";
    }
  }
  EXCEPINFO exception = {};
  UINT arg_error = 0;
  HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception,
                              &arg_error);
  if (FAILED(hr)) {
    host::IdeError error = CallError(member, hr, &exception, arg_error);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (logging_) {
      Log("IDE " + QualifiedName(member) + (put ? " = " : "(") + before + (put ? "" : ")") +
          " failed: " + HresultText(hr) + " " + std::to_string(error.Number()) + " " +
          Shortened(error.Description()) + " [" + error.Source() + "]");
    }
    throw error;
  }
  if (logging_) {
    std::string line =
        "IDE " + QualifiedName(member) + (put ? " = " : "(") + before + (put ? "" : ")");
    if (result != nullptr) line += " -> " + DescribeVariant(*result);
    std::string out;
    for (UINT i = count; i-- > 0;) {
      if ((arguments[i].vt & VT_BYREF) == 0) continue;
      if (!out.empty()) out += ", ";
      out += DescribeVariant(arguments[i]);
    }
    if (!out.empty()) line += " [" + out + "]";
    Log(line);
  }
}

void DispatchClient::Get(IDispatch* object, const Member& member, VARIANT* result) {
  Invoke(object, member, DISPATCH_PROPERTYGET, nullptr, 0, false, result);
}

void DispatchClient::Call(IDispatch* object, const Member& member, WORD flags,
                          std::initializer_list<VARIANT*> arguments, VARIANT* result) {
  VARIANT reversed[kMaxArguments];
  UINT count = static_cast<UINT>(arguments.size());
  if (count > kMaxArguments) throw std::length_error("too many arguments");
  // A shallow copy: the arguments stay owned (and cleared) by the caller.
  UINT index = count;
  for (VARIANT* argument : arguments)
    reversed[--index] = *argument;
  Invoke(object, member, flags, count == 0 ? nullptr : reversed, count, false, result);
}

void DispatchClient::Put(IDispatch* object, const Member& member, VARIANT* value) {
  VARIANT argument = *value;
  Invoke(object, member, DISPATCH_PROPERTYPUT, &argument, 1, true, nullptr);
}

std::string DispatchClient::ResultText(const Member& member, VARIANT* result) {
  if (result->vt == VT_BSTR) return FromBstr(result->bstrVal);
  if (result->vt == VT_EMPTY || result->vt == VT_NULL) return {};
  HRESULT hr = VariantChangeType(result, result, 0, VT_BSTR);
  if (FAILED(hr)) throw CallError(member, DISP_E_TYPEMISMATCH, nullptr, 0);
  return FromBstr(result->bstrVal);
}

int32_t DispatchClient::ResultLong(const Member& member, VARIANT* result) {
  if (result->vt == VT_I4) return result->lVal;
  HRESULT hr = VariantChangeType(result, result, 0, VT_I4);
  if (FAILED(hr)) throw CallError(member, DISP_E_TYPEMISMATCH, nullptr, 0);
  return result->lVal;
}

bool DispatchClient::ResultBool(const Member& member, VARIANT* result) {
  if (result->vt == VT_BOOL) return result->boolVal != VARIANT_FALSE;
  HRESULT hr = VariantChangeType(result, result, 0, VT_BOOL);
  if (FAILED(hr)) throw CallError(member, DISP_E_TYPEMISMATCH, nullptr, 0);
  return result->boolVal != VARIANT_FALSE;
}

Ref<IDispatch> DispatchClient::ResultObject(const Member& member, VARIANT* result) {
  Ref<IDispatch> object;
  switch (result->vt) {
    case VT_EMPTY:
    case VT_NULL:
      return object;
    case VT_DISPATCH:
      return Ref<IDispatch>::Share(result->pdispVal);
    case VT_UNKNOWN:
      if (result->punkVal == nullptr) return object;
      if (SUCCEEDED(result->punkVal->QueryInterface(IID_IDispatch,
                                                    reinterpret_cast<void**>(object.Out())))) {
        return object;
      }
      break;
    default:
      break;
  }
  throw CallError(member, DISP_E_TYPEMISMATCH, nullptr, 0);
}

std::string DispatchClient::GetText(IDispatch* object, const Member& member) {
  Variant result;
  Get(object, member, result.get());
  return ResultText(member, result.get());
}

int32_t DispatchClient::GetLong(IDispatch* object, const Member& member) {
  Variant result;
  Get(object, member, result.get());
  return ResultLong(member, result.get());
}

bool DispatchClient::GetBool(IDispatch* object, const Member& member) {
  Variant result;
  Get(object, member, result.get());
  return ResultBool(member, result.get());
}

Ref<IDispatch> DispatchClient::GetDispatch(IDispatch* object, const Member& member) {
  Variant result;
  Get(object, member, result.get());
  return ResultObject(member, result.get());
}

}  // namespace kestrix::com
