#pragma once
// Late-bound calls on another program's automation objects: names resolved once per kind of
// object, arguments in the caller's order, text as Windows-ANSI bytes on our side, and every
// failure as a host::IdeError.
#include <oaidl.h>
#include <windows.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "host/ide_error.h"

namespace kestrix::com {

// An owned COM reference (AddRef'd on copy, Released on destruction).
template <class T>
class Ref {
 public:
  Ref() = default;
  // Takes over a reference the caller already owns.
  static Ref Adopt(T* pointer) {
    Ref ref;
    ref.pointer_ = pointer;
    return ref;
  }
  // Adds a reference of its own.
  static Ref Share(T* pointer) {
    if (pointer != nullptr) pointer->AddRef();
    return Adopt(pointer);
  }
  Ref(const Ref& other) : pointer_(other.pointer_) {
    if (pointer_ != nullptr) pointer_->AddRef();
  }
  Ref(Ref&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
  Ref& operator=(Ref other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~Ref() { Reset(); }

  void Reset() noexcept {
    T* pointer = pointer_;
    pointer_ = nullptr;
    if (pointer != nullptr) pointer->Release();
  }
  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  T** Out() {
    Reset();
    return &pointer_;
  }

 private:
  T* pointer_ = nullptr;
};

// The object's identity: its IUnknown, which COM makes the same pointer for every interface
// of one object. Null when the object is null or does not answer.
Ref<IUnknown> Identity(IUnknown* object);

// A VARIANT cleared on destruction.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }
  Variant& operator=(Variant&&) = delete;
  ~Variant() { VariantClear(&value_); }
  VARIANT* get() { return &value_; }
  const VARIANT& operator*() const { return value_; }

  static Variant Long(int32_t number);
  static Variant Short(int16_t number);
  static Variant Bool(bool flag);
  static Variant Text(std::string_view ansi);  // a BSTR
  static Variant Object(IDispatch* object);    // AddRef'd
  static Variant Missing();                    // an optional argument left out
  // A ByRef argument: the callee reads and overwrites `*target`.
  static Variant LongRef(LONG* target);
  static Variant BoolRef(VARIANT_BOOL* target);

 private:
  VARIANT value_;
};

// Windows-ANSI bytes <-> BSTR text, length-exact (embedded NULs survive).
BSTR ToBstr(std::string_view ansi);
std::string FromBstr(BSTR text);

// The kinds of object the bridge talks to, and the members it calls on each.
enum class Kind : int {
  kVbe,
  kProjects,
  kProject,
  kComponents,
  kComponent,
  kCodeModule,
  kCodePane,
  kEvents,
  kCommandBars,
  kCommandBar,
  kControls,
  kButton,
  kKindCount,
};

struct Member {
  Kind kind;
  int slot;  // index of the member within its kind, for the DISPID cache
  const wchar_t* name;
};

// Invokes members by name, resolving each name once per kind of object (members of one kind
// share their DISPIDs), and logs every call when `logging` is on.
class DispatchClient {
 public:
  static constexpr int kMaxMembersPerKind = 24;

  explicit DispatchClient(bool logging);

  bool Logging() const { return logging_; }

  // Property read without arguments.
  void Get(IDispatch* object, const Member& member, VARIANT* result);
  // Property read with arguments, or a method: arguments in the caller's order.
  void Call(IDispatch* object, const Member& member, WORD flags,
            std::initializer_list<VARIANT*> arguments, VARIANT* result);
  void Put(IDispatch* object, const Member& member, VARIANT* value);
  // True when the object has the member: a name the object does not know is remembered.
  bool Has(IDispatch* object, const Member& member);

  // Typed reads of a result.
  std::string GetText(IDispatch* object, const Member& member);
  int32_t GetLong(IDispatch* object, const Member& member);
  bool GetBool(IDispatch* object, const Member& member);
  // Null when the IDE answered Nothing.
  Ref<IDispatch> GetDispatch(IDispatch* object, const Member& member);

  static std::string ResultText(const Member& member, VARIANT* result);
  static int32_t ResultLong(const Member& member, VARIANT* result);
  static bool ResultBool(const Member& member, VARIANT* result);
  static Ref<IDispatch> ResultObject(const Member& member, VARIANT* result);

 private:
  static constexpr DISPID kUnresolved = static_cast<DISPID>(0x7FFF0001);
  static constexpr DISPID kNoSuchName = static_cast<DISPID>(0x7FFF0002);

  // The member's DISPID, or kNoSuchName; throws for any other failure.
  DISPID Resolve(IDispatch* object, const Member& member);
  void Invoke(IDispatch* object, const Member& member, WORD flags, VARIANT* arguments, UINT count,
              bool put, VARIANT* result);

  bool logging_;
  std::array<std::array<DISPID, kMaxMembersPerKind>, static_cast<size_t>(Kind::kKindCount)> ids_;
};

// "VBComponent" for kComponent, and so on: the IDE's own class names, for messages and the log.
const char* KindName(Kind kind);

// The error a failed call becomes: the IDE's own (number, description, source) when it raised
// one, else one that names the member and the HRESULT.
host::IdeError CallError(const Member& member, HRESULT hr, EXCEPINFO* exception, UINT arg_error);

// A VARIANT as the log shows it: numbers, booleans, quoted text (shortened), objects.
std::string DescribeVariant(const VARIANT& value);

}  // namespace kestrix::com
