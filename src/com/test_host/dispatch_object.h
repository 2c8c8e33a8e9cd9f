#pragma once
// A small toolkit for late-bound COM objects without a type library: an object lists its
// members by name (properties with a get and a put, methods), and IDispatch answers for them
// as an automation server does:
// - GetIDsOfNames is case-insensitive; every member keeps its DISPID for the object's life,
//   and the same name has different DISPIDs in different classes (as in a real type library),
//   so that a client caching DISPIDs per name instead of per interface is caught.
// - A property put arrives with the one named argument DISPID_PROPERTYPUT (PUT or PUTREF).
// - Arguments are coerced with VariantChangeType; a missing optional argument is VT_ERROR /
//   DISP_E_PARAMNOTFOUND or simply absent; a wrong count is DISP_E_BADPARAMCOUNT.
// - A member that throws host::IdeError makes Invoke return DISP_E_EXCEPTION with an EXCEPINFO
//   whose scode is 0x800A0000 | number, as the IDE's errors arrive.
// Text crosses as BSTR, converted to and from Windows-ANSI bytes in the ANSI code page.
#include <oaidl.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrix::com::testing {

// Windows-ANSI bytes and UTF-16, through the ANSI code page.
std::wstring Widen(std::string_view ansi);
std::string NarrowAnsi(const wchar_t* text, size_t length);
std::string NarrowAnsi(BSTR text);  // the whole BSTR, embedded NULs included
BSTR NewBstr(std::string_view ansi);

// An owned COM reference.
template <class T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* owned) : pointer_(owned) {}  // takes over one reference
  Ref(const Ref& other) : pointer_(other.pointer_) {
    if (pointer_ != nullptr) pointer_->AddRef();
  }
  Ref& operator=(Ref other) {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~Ref() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  static Ref Borrow(T* pointer) {
    if (pointer != nullptr) pointer->AddRef();
    return Ref(pointer);
  }
  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  T** out() {
    *this = Ref();
    return &pointer_;
  }
  T* release() { return std::exchange(pointer_, nullptr); }

 private:
  T* pointer_ = nullptr;
};

// Thrown by a member for a bad argument: Invoke returns `hr` and points the caller's
// argument-error index at argument `index` (counted in the caller's order, from 0).
struct ArgumentError {
  HRESULT hr;
  size_t index;
};

// The arguments of one call in the caller's order (DISPPARAMS holds them last first). For a
// property put the value is the last one.
class Arguments {
 public:
  explicit Arguments(const DISPPARAMS& params) : params_(params) {}
  size_t Count() const { return params_.cArgs; }
  // Absent, or passed as VT_ERROR / DISP_E_PARAMNOTFOUND.
  bool Missing(size_t index) const;
  VARIANT& At(size_t index) const;

  // By value, coerced; a missing required argument throws DISP_E_PARAMNOTFOUND, one that
  // does not convert DISP_E_TYPEMISMATCH (DISP_E_OVERFLOW when out of range).
  int32_t Long(size_t index) const;
  int32_t Long(size_t index, int32_t fallback) const;
  int16_t Integer(size_t index) const;
  bool Bool(size_t index) const;
  bool Bool(size_t index, bool fallback) const;
  std::string Text(size_t index) const;
  std::string Text(size_t index, std::string_view fallback) const;
  // An object, or null for Nothing; anything else is a type mismatch.
  Ref<IDispatch> Object(size_t index) const;
  // True when the argument is a string (names and indexes share one Variant argument).
  bool IsText(size_t index) const;

  // ByRef arguments the callee reads and overwrites: VT_BYREF|VT_I4 (VT_BYREF|VT_BOOL) or
  // VT_BYREF|VT_VARIANT. Anything passed by value is a type mismatch: the caller could not
  // see what the callee wrote.
  int32_t RefLong(size_t index) const;
  void SetRefLong(size_t index, int32_t value) const;
  bool RefBool(size_t index) const;
  void SetRefBool(size_t index, bool value) const;

 private:
  VARIANT Coerced(size_t index, VARTYPE type) const;  // the caller clears it
  VARIANT& Required(size_t index) const;
  const DISPPARAMS& params_;
};

// Writing a result; a null `result` (the caller wants none) is fine.
void ReturnLong(VARIANT* result, int32_t value);
void ReturnInteger(VARIANT* result, int16_t value);
void ReturnBool(VARIANT* result, bool value);
void ReturnText(VARIANT* result, std::string_view ansi);
void ReturnObject(VARIANT* result, Ref<IDispatch> object);  // null returns Nothing

// Sees every call before it runs; may throw host::IdeError to make it fail.
class CallHook {
 public:
  virtual ~CallHook() = default;
  virtual void BeforeCall(std::wstring_view class_name, std::wstring_view member) = 0;
};

// Answers QueryInterface for this IID with the DispatchObject itself, so that a server can
// recognise its own objects when a client passes them back.
// {6E4C2B7A-1D3F-4E5A-9B8C-0F1E2D3C4B5A}
inline constexpr IID kIidServerObject = {
    0x6E4C2B7A, 0x1D3F, 0x4E5A, {0x9B, 0x8C, 0x0F, 0x1E, 0x2D, 0x3C, 0x4B, 0x5A}};

class DispatchObject : public IDispatch {
 public:
  using Getter = std::function<void(Arguments&, VARIANT* result)>;
  using Setter = std::function<void(Arguments&)>;

  DispatchObject(std::wstring class_name, std::shared_ptr<CallHook> hook);
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  const std::wstring& ClassName() const { return class_name_; }
  // The DISPID of a member; DISPID_UNKNOWN when there is none of that name.
  DISPID IdOf(std::wstring_view name) const;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* arg_error) override;

 protected:
  virtual ~DispatchObject();
  // A property with `min_args`..`max_args` index arguments (the put value aside); `put` may
  // be empty for a read-only property, `get` for a write-only one.
  void Property(std::wstring name, size_t min_args, size_t max_args, Getter get, Setter put = {});
  void Method(std::wstring name, size_t min_args, size_t max_args, Getter call);
  // Makes the member the object's default (DISPID_VALUE), as collections' Item is.
  void Default(std::wstring_view name);
  // Runs before every call; throws host::IdeError when the object can no longer be used
  // (its item was removed or deleted).
  virtual void CheckUsable() const;
  // Interfaces beyond IUnknown and IDispatch.
  virtual HRESULT QueryOther(REFIID iid, void** object);

 private:
  struct Member {
    std::wstring name;
    DISPID id;
    size_t min_args;
    size_t max_args;
    bool method;
    Getter get;
    Setter put;
  };
  const Member* Find(DISPID id) const;
  HRESULT Call(const Member& member, WORD flags, const DISPPARAMS& params, VARIANT* result,
               EXCEPINFO* exception, UINT* arg_error);

  LONG references_ = 1;
  std::wstring class_name_;
  std::shared_ptr<CallHook> hook_;
  DISPID first_id_;
  std::vector<Member> members_;
};

// The server object behind `object` when it is one of ours and of type T; null otherwise.
// Borrowed: the caller's reference to `object` keeps it alive.
template <class T>
T* Unwrap(IUnknown* object) {
  if (object == nullptr) return nullptr;
  DispatchObject* ours = nullptr;
  if (FAILED(object->QueryInterface(kIidServerObject, reinterpret_cast<void**>(&ours)))) {
    return nullptr;
  }
  ours->Release();
  return dynamic_cast<T*>(ours);
}

}  // namespace kestrix::com::testing
