// The bridge against scripted automation objects: what crosses the IDispatch boundary (names,
// flags, argument order, ByRef slots, property puts, text in the ANSI code page) and how the
// IDE's answers come back (errors, Nothing, identity of objects).
#include <gtest/gtest.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "com/bitmap_picture.h"
#include "com/dispatch_client.h"
#include "com/ide_bridge.h"

namespace kestrix::com {
namespace {

// One scripted object: members by name (case-insensitive), each answered by a handler that
// gets the arguments in the caller's order.
class Scripted final : public IDispatch {
 public:
  using Args = std::vector<VARIANT*>;
  using Handler = std::function<HRESULT(WORD flags, Args& args, VARIANT* result, EXCEPINFO*)>;

  explicit Scripted(int* lookups = nullptr) : lookups_(lookups) {}

  void On(const std::wstring& name, Handler handler) {
    handlers_.push_back(std::move(handler));
    ids_[Lower(name)] = static_cast<DISPID>(100 + handlers_.size() - 1);
  }
  // A read-only property answering `value` (copied on each read).
  void Value(const std::wstring& name, VARIANT value) {
    values_.push_back(value);
    size_t index = values_.size() - 1;
    On(name, [this, index](WORD, Args&, VARIANT* result, EXCEPINFO*) {
      return VariantCopy(result, &values_[index]);
    });
  }
  void Object(const std::wstring& name, IDispatch* object) {
    VARIANT value;
    value.vt = VT_DISPATCH;
    value.pdispVal = object;  // not AddRef'd: the test keeps the objects alive
    Value(name, value);
  }
  // Calls seen, as "Name flags cArgs cNamedArgs".
  std::vector<std::string> calls;
  LONG references() const { return references_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch)) return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references_); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                          DISPID* ids) override {
    if (lookups_ != nullptr) ++*lookups_;
    auto found = ids_.find(Lower(names[0]));
    if (found == ids_.end()) return DISP_E_UNKNOWNNAME;
    ids[0] = found->second;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT*) override {
    size_t index = static_cast<size_t>(id - 100);
    if (id < 100 || index >= handlers_.size()) return DISP_E_MEMBERNOTFOUND;
    std::string name;
    for (auto& [key, value] : ids_) {
      if (value == id) name = std::string(key.begin(), key.end());
    }
    calls.push_back(name + " " + std::to_string(flags) + " " + std::to_string(params->cArgs) + " " +
                    std::to_string(params->cNamedArgs));
    if (params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      return DISP_E_PARAMNOTFOUND;
    }
    Args args;
    for (UINT i = params->cArgs; i-- > 0;)
      args.push_back(&params->rgvarg[i]);
    VARIANT ignored;
    VariantInit(&ignored);
    HRESULT hr = handlers_[index](flags, args, result != nullptr ? result : &ignored, exception);
    VariantClear(&ignored);
    return hr;
  }

 private:
  static std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
      c = towlower(c);
    return text;
  }

  int* lookups_;
  LONG references_ = 1;
  std::map<std::wstring, DISPID> ids_;
  std::vector<Handler> handlers_;
  std::vector<VARIANT> values_;
};

VARIANT Long(int32_t value) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

VARIANT Text(const wchar_t* value) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(value);  // left to the process's end
  return v;
}

HRESULT Return(VARIANT* result, VARIANT value) {
  return VariantCopy(result, &value);
}

class Bridge : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    vbe_.Object(L"VBProjects", &projects_);
    projects_.Value(L"Count", Long(1));
    projects_.On(L"Item", [this](WORD flags, Scripted::Args& args, VARIANT* result, EXCEPINFO*) {
      EXPECT_NE(flags & DISPATCH_METHOD, 0);
      EXPECT_EQ(args.size(), 1u);
      VARIANT v;
      v.vt = VT_DISPATCH;
      v.pdispVal = &project_;
      return Return(result, v);
    });
    project_.Object(L"VBComponents", &components_);
    components_.On(L"Item", [this](WORD, Scripted::Args& args, VARIANT* result, EXCEPINFO*) {
      VARIANT v;
      v.vt = VT_DISPATCH;
      v.pdispVal = args[0]->lVal == 1 ? &first_ : &second_;
      return Return(result, v);
    });
    components_.On(L"Remove", [this](WORD, Scripted::Args& args, VARIANT*, EXCEPINFO*) {
      removed_ = args[0]->vt == VT_DISPATCH ? args[0]->pdispVal : nullptr;
      return S_OK;
    });
    first_.Value(L"Name", Text(L"Caf\u00e9"));
    second_.Value(L"Name", Text(L"Other"));
    first_.Object(L"CodeModule", &module_);
    VARIANT nothing;
    nothing.vt = VT_DISPATCH;
    nothing.pdispVal = nullptr;
    second_.Value(L"CodeModule", nothing);
    vbe_.Value(L"ActiveVBProject", nothing);
    vbe_.Value(L"ActiveCodePane", nothing);
    bridge_ = MakeIdeBridge(&vbe_);
  }
  void TearDown() override {
    bridge_.reset();
    CoUninitialize();
  }

  host::CodeModule& Module() {
    return *bridge_->VBProjects().Item(1).VBComponents().Item(1).GetCodeModule();
  }

  int lookups_ = 0;
  Scripted vbe_, projects_, project_, components_, module_;
  Scripted first_{&lookups_}, second_{&lookups_};
  IDispatch* removed_ = nullptr;
  std::unique_ptr<host::Ide> bridge_;
};

TEST_F(Bridge, CallsFollowTheIdesArgumentConventions) {
  std::vector<std::wstring> received;
  module_.On(L"Lines", [](WORD flags, Scripted::Args& args, VARIANT* result, EXCEPINFO*) {
    EXPECT_NE(flags & DISPATCH_PROPERTYGET, 0);
    EXPECT_EQ(args[0]->lVal, 7);  // StartLine, then Count
    EXPECT_EQ(args[1]->lVal, 2);
    return Return(result, Text(L"Dim s\u00e9\r\nEnd Sub"));
  });
  module_.On(L"InsertLines", [&](WORD flags, Scripted::Args& args, VARIANT*, EXCEPINFO*) {
    EXPECT_EQ(flags, DISPATCH_METHOD);
    EXPECT_EQ(args[0]->lVal, 3);
    received.emplace_back(args[1]->bstrVal, SysStringLen(args[1]->bstrVal));
    return S_OK;
  });
  host::CodeModule& module = Module();

  EXPECT_EQ(module.Lines(7, 2), "Dim s\xE9\r\nEnd Sub");
  module.InsertLines(3, std::string("' \xE9t\xE9\0x", 7));
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0], std::wstring(L"' \u00e9t\u00e9\0x", 7));  // NUL kept, length exact

  std::wstring stored;
  project_.On(L"BuildFileName", [&](WORD flags, Scripted::Args& args, VARIANT*, EXCEPINFO*) {
    EXPECT_EQ(flags, DISPATCH_PROPERTYPUT);
    stored = args[0]->bstrVal;
    return S_OK;
  });
  bridge_->VBProjects().Item(1).SetBuildFileName("C:\\Out\\Caf\xE9.exe");
  EXPECT_EQ(stored, L"C:\\Out\\Caf\u00e9.exe");
  EXPECT_EQ(project_.calls.back(), "buildfilename 4 1 1");
}

HRESULT STDAPICALLTYPE FillIn(EXCEPINFO* info) {
  info->scode = static_cast<HRESULT>(0x800A0023);
  info->bstrDescription = SysAllocString(L"Sub or Function not defined: Caf\u00e9");
  info->bstrSource = SysAllocString(L"VBIDE");
  return S_OK;
}

HRESULT Raise(EXCEPINFO* exception, bool deferred) {
  *exception = EXCEPINFO{};
  if (deferred) {
    exception->pfnDeferredFillIn = FillIn;
  } else {
    FillIn(exception);
  }
  return DISP_E_EXCEPTION;
}

TEST_F(Bridge, FailuresBecomeIdeErrors) {
  module_.On(L"ProcStartLine",
             [](WORD, Scripted::Args&, VARIANT*, EXCEPINFO* e) { return Raise(e, false); });
  module_.On(L"ProcBodyLine",
             [](WORD, Scripted::Args&, VARIANT*, EXCEPINFO* e) { return Raise(e, true); });
  module_.On(L"CountOfLines", [](WORD, Scripted::Args&, VARIANT*, EXCEPINFO*) { return E_FAIL; });
  host::CodeModule& module = Module();
  for (auto call : {&host::CodeModule::ProcStartLine, &host::CodeModule::ProcBodyLine}) {
    try {
      (module.*call)("Missing", host::ProcKind::kProc);
      ADD_FAILURE() << "no error";
    } catch (const host::IdeError& error) {
      EXPECT_EQ(error.Number(), host::kErrProcNotFound);
      EXPECT_EQ(error.Description(), "Sub or Function not defined: Caf\xE9");
      EXPECT_EQ(error.Source(), "VBIDE");
    }
  }
  try {
    module.CountOfLines();
    ADD_FAILURE() << "no error";
  } catch (const host::IdeError& error) {
    EXPECT_NE(error.Description().find("CodeModule.CountOfLines"), std::string::npos);
    EXPECT_NE(error.Description().find("0x80004005"), std::string::npos);
  }
  // A member the IDE does not have.
  EXPECT_THROW(module.CountOfDeclarationLines(), host::IdeError);
}

TEST_F(Bridge, NothingBecomesNullOrTheNoCodeWindowError) {
  EXPECT_EQ(bridge_->ActiveVBProject(), nullptr);
  try {
    bridge_->ActiveCodePane();
    ADD_FAILURE() << "no error";
  } catch (const host::IdeError& error) {
    EXPECT_EQ(error.Number(), host::kErrNoActiveCodePane);
  }
  EXPECT_EQ(bridge_->VBProjects().Item(1).VBComponents().Item(2).GetCodeModule(), nullptr);
}

TEST_F(Bridge, OneObjectOneWrapperNamesResolvedOncePerKind) {
  host::Components& components = bridge_->VBProjects().Item(1).VBComponents();
  host::Component& first = components.Item(1);
  EXPECT_EQ(&components.Item(1), &first);
  EXPECT_EQ(&bridge_->VBProjects().Item(1), &first.Collection());
  host::Component& second = components.Item(2);
  EXPECT_NE(&second, &first);
  EXPECT_EQ(first.Name(), "Caf\xE9");
  EXPECT_EQ(second.Name(), "Other");
  EXPECT_EQ(first.Name(), "Caf\xE9");
  EXPECT_EQ(lookups_, 1);  // "Name" on components: asked once, for the first of them

  LONG held = first_.references();
  components.Remove(first);
  EXPECT_EQ(removed_, &first_);
  EXPECT_LT(first_.references(), held);  // the wrapper let go of the removed component
  EXPECT_THROW(first.Name(), host::IdeError);
  EXPECT_EQ(second.Name(), "Other");
}

TEST_F(Bridge, LogsEveryCallWhenTheLogIsOn) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  std::wstring path = std::wstring(folder) + L"kestrix-bridge-log.txt";
  DeleteFileW(path.c_str());
  SetEnvironmentVariableW(L"KESTRIX_LOG", path.c_str());
  bridge_ = MakeIdeBridge(&vbe_);
  host::Component& component = bridge_->VBProjects().Item(1).VBComponents().Item(1);
  component.Name();
  EXPECT_THROW(component.IsDirty(), host::IdeError);
  SetEnvironmentVariableW(L"KESTRIX_LOG", nullptr);
  std::string text;
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read != 0)
    text.append(buffer, read);
  CloseHandle(file);
  DeleteFileW(path.c_str());
  for (const char* line :
       {"IDE VBProjects.Item(1) -> <object>", "IDE VBComponent.Name() -> \"Caf\xC3\xA9\"",
        "IDE GetIDsOfNames VBComponent.IsDirty -> 0x80020006"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << " not in\n" << text;
  }
}

TEST_F(Bridge, ButtonFaceIsAPictureOrAStockFace) {
  // A 2 x 2 picture of 24 bits.
  std::string bmp = std::string("BM") + std::string(8, '\0') + std::string("\x36\0\0\0", 4) +
                    std::string("\x28\0\0\0\x02\0\0\0\x02\0\0\0\x01\0\x18\0", 16) +
                    std::string(24, '\0') + std::string(16, '\x7F');
  ASSERT_EQ(CheckBmp(bmp), "");
  enum Picture { kTakesPicture, kRefusesPicture, kNoPicture };
  for (Picture picture : {kTakesPicture, kRefusesPicture, kNoPicture}) {
    SCOPED_TRACE(picture);
    std::vector<std::string> puts;
    Scripted bars, bar, controls, button;
    vbe_.Object(L"CommandBars", &bars);
    bars.Object(L"Add", &bar);
    bar.Object(L"Controls", &controls);
    controls.On(L"Add", [&](WORD, Scripted::Args& args, VARIANT* result, EXCEPINFO*) {
      EXPECT_EQ(args.size(), 1u);
      EXPECT_EQ(args[0]->lVal, 1);  // a button
      VARIANT v;
      v.vt = VT_DISPATCH;
      v.pdispVal = &button;
      return Return(result, v);
    });
    button.On(L"FaceId", [&](WORD, Scripted::Args& args, VARIANT*, EXCEPINFO*) {
      puts.push_back("FaceId " + std::to_string(args[0]->lVal));
      return S_OK;
    });
    if (picture != kNoPicture) {
      button.On(L"Picture", [&](WORD, Scripted::Args& args, VARIANT*, EXCEPINFO*) {
        if (picture == kRefusesPicture) return DISP_E_MEMBERNOTFOUND;
        IUnknown* object = nullptr;
        EXPECT_EQ(args[0]->vt, VT_DISPATCH);
        EXPECT_EQ(
            args[0]->pdispVal->QueryInterface(IID_IPictureDisp, reinterpret_cast<void**>(&object)),
            S_OK);
        if (object != nullptr) object->Release();
        puts.push_back("Picture");
        return S_OK;
      });
    }
    bridge_ = MakeIdeBridge(&vbe_);
    host::CommandBar* made =
        bridge_->GetCommandBars().Add("Kestrix", host::BarPosition::kTop, false, true);
    ASSERT_NE(made, nullptr);
    made->AddButton().SetFace(bmp);
    EXPECT_EQ(puts, std::vector<std::string>{picture == kTakesPicture ? "Picture" : "FaceId 59"});
    EXPECT_EQ(bars.calls.front(), "add 1 4 0");
    bridge_.reset();  // before the scripted bars go
  }
}

// A command bar control's event source: one connection point for the click events.
class EventSource final : public IDispatch,
                          public IConnectionPointContainer,
                          public IConnectionPoint {
 public:
  IDispatch* sink = nullptr;
  std::vector<std::string> log;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
      *object = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(iid, IID_IConnectionPointContainer)) {
      *object = static_cast<IConnectionPointContainer*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
    static const IID kEvents = {
        0x0002E131, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    *point = nullptr;
    if (!IsEqualIID(iid, kEvents)) return CONNECT_E_NOCONNECTION;
    *point = this;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* unknown, DWORD* cookie) override {
    HRESULT hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink));
    log.push_back("Advise");
    *cookie = 42;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    log.push_back("Unadvise " + std::to_string(cookie));
    if (sink != nullptr) sink->Release();
    sink = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

  // Fires Click as the IDE does; the flags as they came back.
  HRESULT Click(IDispatch* control, VARIANT_BOOL& handled, VARIANT_BOOL& cancel) {
    VARIANT args[3];
    args[2].vt = VT_DISPATCH;
    args[2].pdispVal = control;
    args[1].vt = VT_BYREF | VT_BOOL;
    args[1].pboolVal = &handled;
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &cancel;
    DISPPARAMS params = {args, nullptr, 3, 0};
    return sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  }
};

TEST_F(Bridge, ClicksReachTheHandlerAndItsFlagsGoBack) {
  Scripted bars, bar, controls, button, events;
  EventSource source;
  vbe_.Object(L"CommandBars", &bars);
  vbe_.Object(L"Events", &events);
  bars.Object(L"Add", &bar);
  bar.Object(L"Controls", &controls);
  bar.On(L"Delete", [](WORD, Scripted::Args&, VARIANT*, EXCEPINFO*) { return S_OK; });
  controls.Object(L"Add", &button);
  events.On(L"CommandBarEvents", [&](WORD, Scripted::Args& args, VARIANT* result, EXCEPINFO*) {
    EXPECT_EQ(args[0]->pdispVal, &button);
    VARIANT v;
    v.vt = VT_DISPATCH;
    v.pdispVal = &source;
    return Return(result, v);
  });
  bridge_ = MakeIdeBridge(&vbe_);
  host::CommandBar* made =
      bridge_->GetCommandBars().Add("Kestrix", host::BarPosition::kTop, false, true);
  ASSERT_NE(made, nullptr);
  host::CommandBarButton& control = made->AddButton();
  int clicks = 0;
  control.SetClickHandler([&](host::CommandBarButton& clicked, bool& handled, bool& cancel) {
    EXPECT_EQ(&clicked, &control);
    EXPECT_FALSE(handled);
    ++clicks;
    if (clicks == 2) throw std::runtime_error("the handler failed");
    handled = true;
    cancel = true;
  });
  ASSERT_NE(source.sink, nullptr);
  VARIANT_BOOL handled = VARIANT_FALSE, cancel = VARIANT_FALSE;
  EXPECT_EQ(source.Click(&button, handled, cancel), S_OK);
  EXPECT_EQ(handled, VARIANT_TRUE);
  EXPECT_EQ(cancel, VARIANT_TRUE);
  handled = cancel = VARIANT_FALSE;
  EXPECT_TRUE(FAILED(source.Click(&button, handled, cancel)));  // caught, not thrown
  EXPECT_EQ(clicks, 2);

  IDispatch* sink = source.sink;
  sink->AddRef();  // an IDE may hold the sink a while after Unadvise
  made->Delete();
  EXPECT_EQ(source.log, (std::vector<std::string>{"Advise", "Unadvise 42"}));
  source.sink = sink;
  EXPECT_EQ(source.Click(&button, handled, cancel), S_OK);
  EXPECT_EQ(clicks, 2);  // nothing reaches the handler any more
  sink->Release();
  source.sink = nullptr;
  EXPECT_THROW(control.SetCaption("x"), host::IdeError);
  bridge_.reset();
}

TEST(BmpCheck, RefusesWhatWouldReadPastTheBytes) {
  auto header = [](uint32_t offset, int32_t width, int32_t height, uint16_t bits,
                   uint32_t colours) {
    std::string b = "BM";
    auto put = [&](uint32_t value, int size) {
      for (int i = 0; i < size; ++i)
        b += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put(0, 4), put(0, 4), put(offset, 4), put(40, 4), put(static_cast<uint32_t>(width), 4);
    put(static_cast<uint32_t>(height), 4), put(1, 2), put(bits, 2), put(0, 4), put(0, 4);
    put(0, 4), put(0, 4), put(colours, 4), put(0, 4);
    return b;
  };
  struct Case {
    std::string bytes;
    bool usable;
  };
  const Case cases[] = {
      {header(54, 2, 2, 24, 0) + std::string(16, '\0'), true},
      {header(54, 2, -2, 24, 0) + std::string(16, '\0'), true},  // top-down
      {header(54, 2, 2, 24, 0) + std::string(15, '\0'), false},  // pixels cut short
      {header(54 + 64, 32, 32, 4, 0) + std::string(64 + 512, '\0'), true},
      {header(54 + 64, 32, 32, 4, 0) + std::string(64 + 511, '\0'), false},
      {header(54, 32, 32, 4, 0) + std::string(64 + 512, '\0'), false},  // offset inside palette
      {header(54 + 8, 2, 2, 8, 2) + std::string(8 + 8, '\0'), true},    // two colours used
      {header(54 + 8, 2, 2, 8, 300) + std::string(8 + 8, '\0'), false},
      {header(54, 0x10000, 2, 24, 0) + std::string(16, '\0'), false},
      {header(54, 2, 2, 7, 0) + std::string(16, '\0'), false},
      {header(0xFFFFFFF0u, 2, 2, 24, 0) + std::string(16, '\0'), false},
      {"BM" + std::string(20, '\0'), false},
      {header(54, 2, 2, 24, 0).replace(14, 1, "\x7C") + std::string(16, '\0'), false},
      {"XY" + header(54, 2, 2, 24, 0).substr(2) + std::string(16, '\0'), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes.size()));
    EXPECT_EQ(CheckBmp(c.bytes).empty(), c.usable) << CheckBmp(c.bytes);
    if (c.usable) {
      EXPECT_TRUE(PictureFromBmp(c.bytes));
    } else {
      EXPECT_THROW(PictureFromBmp(c.bytes), host::IdeError);
    }
  }
}

}  // namespace
}  // namespace kestrix::com
