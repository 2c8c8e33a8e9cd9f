// Drives the served object model as a late-binding client does (GetIDsOfNames, then Invoke
// with the arguments last first), over the example group loaded in the file-backed IDE.
#include <gtest/gtest.h>
#include <ocidl.h>
#include <olectl.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "com/test_host/dispatch_object.h"
#include "com/test_host/vbe_server.h"
#include "platform/vbfiles/file_ide.h"
#include "support/test_support.h"

namespace kestrix::com::testing {
namespace {

using kestrix::testing::CopyTree;
using kestrix::testing::SourceDir;
using kestrix::testing::TempDir;

// One argument as a client passes it; the VARIANTs own nothing but their BSTRs.
struct Arg {
  VARIANT value;
  static Arg Long(int32_t number) {
    Arg a;
    a.value.vt = VT_I4;
    a.value.lVal = number;
    return a;
  }
  static Arg Text(const wchar_t* text) {
    Arg a;
    a.value.vt = VT_BSTR;
    a.value.bstrVal = SysAllocString(text);
    return a;
  }
  static Arg Object(IDispatch* object) {
    Arg a;
    a.value.vt = VT_DISPATCH;
    a.value.pdispVal = object;
    return a;
  }
  static Arg RefLong(LONG* number) {
    Arg a;
    a.value.vt = VT_BYREF | VT_I4;
    a.value.plVal = number;
    return a;
  }
  static Arg RefVariant(VARIANT* variant) {
    Arg a;
    a.value.vt = VT_BYREF | VT_VARIANT;
    a.value.pvarVal = variant;
    return a;
  }
  static Arg Missing() {
    Arg a;
    a.value.vt = VT_ERROR;
    a.value.scode = DISP_E_PARAMNOTFOUND;
    return a;
  }
};

struct Outcome {
  HRESULT hr = S_OK;
  VARIANT result{};
  EXCEPINFO exception{};
  UINT arg_error = 99;
  Outcome() { VariantInit(&result); }
  ~Outcome() {
    VariantClear(&result);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
  }
  Outcome(const Outcome&) = delete;
  Outcome& operator=(const Outcome&) = delete;
  int32_t Long() const { return result.lVal; }
  std::wstring Text() const { return result.vt == VT_BSTR ? result.bstrVal : L"<not text>"; }
  // The object returned, AddRef'd for the caller.
  Ref<IDispatch> Object() const {
    EXPECT_EQ(result.vt, VT_DISPATCH);
    return Ref<IDispatch>::Borrow(result.vt == VT_DISPATCH ? result.pdispVal : nullptr);
  }
};

DISPID IdOf(IDispatch* object, const wchar_t* name) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
  return id;
}

// Calls member `name` with `flags`, the arguments in the caller's order.
void Invoke(Outcome& out, IDispatch* object, const wchar_t* name, WORD flags,
            std::vector<Arg> args) {
  std::vector<VARIANT> reversed;
  for (auto a = args.rbegin(); a != args.rend(); ++a)
    reversed.push_back(a->value);
  DISPID put = DISPID_PROPERTYPUT;
  bool is_put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  DISPPARAMS params = {reversed.data(), is_put ? &put : nullptr, static_cast<UINT>(reversed.size()),
                       is_put ? 1u : 0u};
  out.hr = object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                          is_put ? nullptr : &out.result, &out.exception, &out.arg_error);
  for (VARIANT& v : reversed) {
    if (v.vt == VT_BSTR) SysFreeString(v.bstrVal);
  }
}

// A property read or a method call expected to succeed, as VB calls both.
Ref<IDispatch> GetObject(IDispatch* object, const wchar_t* name, std::vector<Arg> args = {}) {
  Outcome out;
  Invoke(out, object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args));
  EXPECT_EQ(out.hr, S_OK) << name;
  return out.Object();
}
int32_t GetLong(IDispatch* object, const wchar_t* name, std::vector<Arg> args = {}) {
  Outcome out;
  Invoke(out, object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args));
  EXPECT_EQ(out.hr, S_OK) << name;
  VariantChangeType(&out.result, &out.result, 0, VT_I4);
  return out.Long();
}
std::wstring GetText(IDispatch* object, const wchar_t* name, std::vector<Arg> args = {}) {
  Outcome out;
  Invoke(out, object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args));
  EXPECT_EQ(out.hr, S_OK) << name;
  return out.Text();
}
HRESULT Put(IDispatch* object, const wchar_t* name, Arg value) {
  Outcome out;
  Invoke(out, object, name, DISPATCH_PROPERTYPUT, {value});
  return out.hr;
}

class VbeServer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    group_ = CopyTree(SourceDir() + "/examples/Shop", temp_.Path("Shop"));
    ide_.Open(group_ + "/Shop.vbg");
  }
  void TearDown() override { CoUninitialize(); }
  Ref<IDispatch> Vbe(VbeOptions options = {}) { return Ref<IDispatch>(NewVbe(ide_, options)); }
  Ref<IDispatch> Module(IDispatch* vbe, const wchar_t* project, const wchar_t* component) {
    auto projects = GetObject(vbe, L"VBProjects");
    auto components =
        GetObject(GetObject(projects.get(), L"Item", {Arg::Text(project)}).get(), L"VBComponents");
    auto item = GetObject(components.get(), L"Item", {Arg::Text(component)});
    return GetObject(item.get(), L"CodeModule");
  }

  TempDir temp_;
  std::string group_;
  vbfiles::FileIde ide_;
};

TEST_F(VbeServer, NamesAnswerInAnyCaseWithStableIdsPerClass) {
  auto vbe = Vbe();
  auto project = GetObject(vbe.get(), L"ActiveVBProject");
  auto component =
      GetObject(GetObject(project.get(), L"VBComponents").get(), L"Item", {Arg::Long(1)});
  EXPECT_EQ(IdOf(project.get(), L"name"), IdOf(project.get(), L"NAME"));
  EXPECT_NE(IdOf(project.get(), L"Name"), IdOf(component.get(), L"Name"));
  EXPECT_EQ(IdOf(GetObject(vbe.get(), L"VBProjects").get(), L"Item"), DISPID_VALUE);
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
  DISPID id = 0;
  EXPECT_EQ(vbe->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
}

TEST_F(VbeServer, ProjectsAndComponentsAreTheIdes) {
  auto vbe = Vbe();
  EXPECT_EQ(GetText(vbe.get(), L"FullName"), Widen(ide_.FullName()));
  auto projects = GetObject(vbe.get(), L"VBProjects");
  ASSERT_EQ(GetLong(projects.get(), L"Count"), ide_.Count());
  EXPECT_EQ(GetText(GetObject(vbe.get(), L"ActiveVBProject").get(), L"Name"),
            Widen(ide_.ActiveVBProject()->Name()));
  for (int32_t p = 1; p <= ide_.Count(); ++p) {
    host::Project& expected = ide_.Item(p);
    auto project = GetObject(projects.get(), L"Item", {Arg::Long(p)});
    EXPECT_EQ(GetText(project.get(), L"FileName"), Widen(expected.FileName()));
    // By name and through the default member, the same object.
    auto by_name = GetObject(projects.get(), L"item", {Arg::Text(Widen(expected.Name()).c_str())});
    EXPECT_EQ(by_name.get(), project.get());
    auto components = GetObject(project.get(), L"VBComponents");
    ASSERT_EQ(GetLong(components.get(), L"Count"), expected.VBComponents().Count());
    for (int32_t c = 1; c <= expected.VBComponents().Count(); ++c) {
      host::Component& want = expected.VBComponents().Item(c);
      auto component = GetObject(components.get(), L"Item", {Arg::Long(c)});
      EXPECT_EQ(GetText(component.get(), L"Name"), Widen(want.Name()));
      EXPECT_EQ(GetLong(component.get(), L"Type"), static_cast<int32_t>(want.Type()));
      EXPECT_EQ(GetLong(component.get(), L"FileCount"), want.FileCount());
      EXPECT_EQ(GetText(component.get(), L"FileNames", {Arg::Long(1)}), Widen(want.FileNames(1)));
      if (want.GetCodeModule() == nullptr) continue;
      auto module = GetObject(component.get(), L"CodeModule");
      int32_t lines = want.GetCodeModule()->CountOfLines();
      EXPECT_EQ(GetLong(module.get(), L"CountOfLines"), lines);
      EXPECT_EQ(GetText(module.get(), L"Lines", {Arg::Long(1), Arg::Long(lines)}),
                Widen(want.GetCodeModule()->Lines(1, lines)));
      EXPECT_EQ(GetObject(module.get(), L"Parent").get(), component.get());
    }
  }
}

TEST_F(VbeServer, ArgumentsFollowTheCallingConventions) {
  auto vbe = Vbe();
  auto module = Module(vbe.get(), L"ShopLib", L"Customer");
  int32_t lines = GetLong(module.get(), L"CountOfLines");
  struct Case {
    const char* what;
    std::vector<Arg> args;
    HRESULT hr;
    UINT arg_error;  // rgvarg's index, last argument first
  };
  const Case cases[] = {
      {"a string that reads as a number", {Arg::Text(L"2"), Arg::Long(1)}, S_OK, 99},
      {"a string that does not", {Arg::Text(L"two"), Arg::Long(1)}, DISP_E_TYPEMISMATCH, 1},
      {"too few arguments", {Arg::Long(1)}, DISP_E_BADPARAMCOUNT, 99},
      {"too many", {Arg::Long(1), Arg::Long(1), Arg::Long(1)}, DISP_E_BADPARAMCOUNT, 99},
      {"a required one missing", {Arg::Long(1), Arg::Missing()}, DISP_E_PARAMNOTFOUND, 0},
  };
  for (const Case& c : cases) {
    Outcome out;
    Invoke(out, module.get(), L"Lines", DISPATCH_PROPERTYGET, c.args);
    EXPECT_EQ(out.hr, c.hr) << c.what;
    EXPECT_EQ(out.arg_error, c.arg_error) << c.what;
  }
  // An optional argument left out, or passed as missing: DeleteLines' count is 1.
  Outcome out;
  Invoke(out, module.get(), L"DeleteLines", DISPATCH_METHOD, {Arg::Long(1)});
  EXPECT_EQ(out.hr, S_OK);
  Invoke(out, module.get(), L"DeleteLines", DISPATCH_METHOD, {Arg::Long(1), Arg::Missing()});
  EXPECT_EQ(out.hr, S_OK);
  EXPECT_EQ(GetLong(module.get(), L"CountOfLines"), lines - 2);
  // A put comes with its named argument; a read-only property takes none.
  auto project = GetObject(vbe.get(), L"ActiveVBProject");
  EXPECT_EQ(Put(project.get(), L"BuildFileName", Arg::Text(L"C:\\out\\Shop.exe")), S_OK);
  EXPECT_EQ(GetText(project.get(), L"BuildFileName"), L"C:\\out\\Shop.exe");
  EXPECT_EQ(Put(project.get(), L"FileName", Arg::Text(L"x")), DISP_E_MEMBERNOTFOUND);
  VARIANT value = Arg::Text(L"C:\\y.exe").value;
  DISPPARAMS unnamed = {&value, nullptr, 1, 0};
  EXPECT_EQ(project->Invoke(IdOf(project.get(), L"BuildFileName"), IID_NULL, 0,
                            DISPATCH_PROPERTYPUT, &unnamed, nullptr, nullptr, nullptr),
            DISP_E_PARAMNOTFOUND);
  VariantClear(&value);
  // An Integer argument out of range overflows.
  auto component = GetObject(module.get(), L"Parent");
  Invoke(out, component.get(), L"FileNames", DISPATCH_PROPERTYGET, {Arg::Long(40000)});
  EXPECT_EQ(out.hr, DISP_E_OVERFLOW);
}

TEST_F(VbeServer, ByRefArgumentsAreWrittenBack) {
  auto vbe = Vbe();
  auto module = Module(vbe.get(), L"ShopLib", L"Customer");
  host::CodeModule& code = *ide_.Item(2).VBComponents().Item(1).GetCodeModule();
  int32_t getter = code.ProcBodyLine("Code", host::ProcKind::kPropertyGet);
  LONG kind = -1;
  EXPECT_EQ(GetText(module.get(), L"ProcOfLine", {Arg::Long(getter), Arg::RefLong(&kind)}),
            L"Code");
  EXPECT_EQ(kind, 3);
  VARIANT variant;
  VariantInit(&variant);
  GetText(module.get(), L"ProcOfLine", {Arg::Long(getter), Arg::RefVariant(&variant)});
  EXPECT_EQ(variant.vt, VT_I4);
  EXPECT_EQ(variant.lVal, 3);
  Outcome by_value;
  Invoke(by_value, module.get(), L"ProcOfLine", DISPATCH_PROPERTYGET,
         {Arg::Long(getter), Arg::Long(0)});
  EXPECT_EQ(by_value.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(by_value.arg_error, 0u);

  // Find overwrites the four positions with the match, and leaves them when there is none.
  LONG line = 1, column = 1, end_line = -1, end_column = -1;
  auto find = [&](const wchar_t* target) {
    Outcome out;
    Invoke(out, module.get(), L"Find", DISPATCH_METHOD,
           {Arg::Text(target), Arg::RefLong(&line), Arg::RefLong(&column), Arg::RefLong(&end_line),
            Arg::RefLong(&end_column), Arg::Missing(), Arg::Long(1)});
    EXPECT_EQ(out.hr, S_OK);
    return out.result.boolVal != VARIANT_FALSE;
  };
  ASSERT_TRUE(find(L"Property Get Code"));
  EXPECT_EQ(line, getter);
  EXPECT_EQ(end_line, getter);
  EXPECT_EQ(end_column - column, 17);
  LONG before[] = {line, column, end_line, end_column};
  EXPECT_FALSE(find(L"property get code"));  // MatchCase
  EXPECT_EQ(line, before[0]);
  EXPECT_EQ(end_column, before[3]);
}

TEST_F(VbeServer, ErrorsArriveAsTheIdesExceptions) {
  VbeOptions options;
  options.faults = {{"VBComponents.Count", 70, "Permission denied", 1}, {"FileNames", 75}};
  auto vbe = Vbe(options);
  auto module = Module(vbe.get(), L"ShopLib", L"Customer");
  struct Case {
    const wchar_t* member;
    std::vector<Arg> args;
    uint32_t scode;
  };
  const Case cases[] = {
      {L"Lines", {Arg::Long(1000), Arg::Long(1)}, 0x800A0005},
      {L"ProcStartLine", {Arg::Text(L"NoSuchProc"), Arg::Long(0)}, 0x800A0023},
      {L"ProcStartLine", {Arg::Text(L"Code"), Arg::Long(7)}, 0x800A0005},
  };
  for (const Case& c : cases) {
    Outcome out;
    Invoke(out, module.get(), c.member, DISPATCH_PROPERTYGET, c.args);
    EXPECT_EQ(out.hr, DISP_E_EXCEPTION) << c.member;
    EXPECT_EQ(static_cast<uint32_t>(out.exception.scode), c.scode) << c.member;
    EXPECT_EQ(out.exception.wCode, 0) << c.member;
    EXPECT_GT(SysStringLen(out.exception.bstrDescription), 0u) << c.member;
    EXPECT_GT(SysStringLen(out.exception.bstrSource), 0u) << c.member;
  }
  // The fault table: the first Count answers, the next fails; FileNames always fails.
  auto components = GetObject(GetObject(vbe.get(), L"ActiveVBProject").get(), L"VBComponents");
  GetLong(components.get(), L"Count");
  Outcome out;
  Invoke(out, components.get(), L"Count", DISPATCH_PROPERTYGET, {});
  EXPECT_EQ(out.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(static_cast<uint32_t>(out.exception.scode), 0x800A0046u);
  EXPECT_EQ(std::wstring(out.exception.bstrDescription), L"Permission denied");
  Outcome names;
  Invoke(names, GetObject(module.get(), L"Parent").get(), L"FileNames", DISPATCH_PROPERTYGET,
         {Arg::Long(1)});
  EXPECT_EQ(static_cast<uint32_t>(names.exception.scode), 0x800A004Bu);
  EXPECT_EQ(FaultsRaised(vbe.get()), 2);
}

TEST_F(VbeServer, TextCrossesInTheAnsiCodePage) {
  auto vbe = Vbe();
  auto module = Module(vbe.get(), L"ShopLib", L"Customer");
  Outcome out;
  Invoke(out, module.get(), L"InsertLines", DISPATCH_METHOD,
         {Arg::Long(1), Arg::Text(L"' caf\u00e9\r\n' two")});
  ASSERT_EQ(out.hr, S_OK);
  host::CodeModule& code = *ide_.Item(2).VBComponents().Item(1).GetCodeModule();
  EXPECT_EQ(code.Lines(1, 2), "' caf" + NarrowAnsi(L"\u00e9", 1) + "\r\n' two");
  EXPECT_EQ(GetText(module.get(), L"Lines", {Arg::Long(1), Arg::Long(1)}), L"' caf\u00e9");
}

TEST_F(VbeServer, PanesAndRemovedComponents) {
  auto vbe = Vbe();
  Outcome none;
  Invoke(none, vbe.get(), L"ActiveCodePane", DISPATCH_PROPERTYGET, {});
  EXPECT_EQ(none.result.vt, VT_DISPATCH);
  EXPECT_EQ(none.result.pdispVal, nullptr);
  auto module = Module(vbe.get(), L"ShopLib", L"Customer");
  auto pane = GetObject(module.get(), L"CodePane");
  Outcome put;
  Invoke(put, vbe.get(), L"ActiveCodePane", DISPATCH_PROPERTYPUTREF, {Arg::Object(pane.get())});
  ASSERT_EQ(put.hr, S_OK);
  auto active = GetObject(vbe.get(), L"ActiveCodePane");
  EXPECT_EQ(GetObject(active.get(), L"CodeModule").get(), module.get());

  auto component = GetObject(module.get(), L"Parent");
  auto components = GetObject(component.get(), L"Collection");
  int32_t count = GetLong(components.get(), L"Count");
  Outcome removed;
  Invoke(removed, components.get(), L"Remove", DISPATCH_METHOD, {Arg::Object(component.get())});
  ASSERT_EQ(removed.hr, S_OK);
  EXPECT_EQ(GetLong(components.get(), L"Count"), count - 1);
  Outcome stale;
  Invoke(stale, module.get(), L"CountOfLines", DISPATCH_PROPERTYGET, {});
  EXPECT_EQ(stale.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(static_cast<uint32_t>(stale.exception.scode), 0x800A0005u);
}

// An event sink as an add-in makes one: IDispatch, also answering for the events' IID.
class Sink final : public IDispatch {
 public:
  explicit Sink(bool answers_events = true, bool set_handled = false)
      : answers_events_(answers_events), set_handled_(set_handled) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        (answers_events_ && IsEqualIID(iid, kDiidCommandBarControlEvents))) {
      *object = this;
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    if (id != 1 || params->cArgs != 3) return DISP_E_MEMBERNOTFOUND;
    ++clicks;
    control = params->rgvarg[2].vt == VT_DISPATCH ? params->rgvarg[2].pdispVal : nullptr;
    flags_typed = params->rgvarg[1].vt == (VT_BYREF | VT_BOOL) &&
                  params->rgvarg[0].vt == (VT_BYREF | VT_BOOL);
    saw_handled = *params->rgvarg[1].pboolVal != VARIANT_FALSE;
    if (set_handled_) *params->rgvarg[1].pboolVal = VARIANT_TRUE;
    return S_OK;
  }
  LONG references = 1;
  int clicks = 0;
  IDispatch* control = nullptr;
  bool flags_typed = false;
  bool saw_handled = false;

 private:
  bool answers_events_;
  bool set_handled_;
};

TEST_F(VbeServer, ToolbarButtonsAndTheirClickEvents) {
  auto vbe = Vbe();
  auto bars = GetObject(vbe.get(), L"CommandBars");
  int32_t built_in = GetLong(bars.get(), L"Count");
  EXPECT_GT(built_in, 0);
  auto bar = GetObject(bars.get(), L"Add", {Arg::Text(L"Kestrix"), Arg::Long(1)});
  Outcome twice;
  Invoke(twice, bars.get(), L"Add", DISPATCH_METHOD, {Arg::Text(L"Kestrix")});
  EXPECT_EQ(static_cast<uint32_t>(twice.exception.scode), 0x800A0005u);
  EXPECT_EQ(GetObject(bars.get(), L"Item", {Arg::Text(L"kestrix")}).get(), bar.get());
  Outcome missing;
  Invoke(missing, bars.get(), L"Item", DISPATCH_PROPERTYGET, {Arg::Text(L"No such bar")});
  EXPECT_EQ(missing.hr, DISP_E_EXCEPTION);

  auto button = GetObject(GetObject(bar.get(), L"Controls").get(), L"Add", {Arg::Long(1)});
  EXPECT_EQ(Put(button.get(), L"Caption", Arg::Text(L"Kestrix")), S_OK);
  EXPECT_EQ(Put(button.get(), L"ToolTipText", Arg::Text(L"Numbers lines")), S_OK);
  EXPECT_EQ(Put(button.get(), L"Style", Arg::Long(3)), S_OK);
  EXPECT_EQ(Put(button.get(), L"FaceId", Arg::Long(59)), S_OK);
  EXPECT_EQ(Put(button.get(), L"Style", Arg::Long(9)), DISP_E_EXCEPTION);
  PICTDESC description = {sizeof(PICTDESC), PICTYPE_BITMAP, {}};
  description.bmp.hbitmap = CreateBitmap(16, 16, 1, 32, nullptr);
  Ref<IDispatch> picture;
  ASSERT_EQ(OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE,
                                     reinterpret_cast<void**>(picture.out())),
            S_OK);
  Outcome set_picture;
  Invoke(set_picture, button.get(), L"Picture", DISPATCH_PROPERTYPUTREF,
         {Arg::Object(picture.get())});
  EXPECT_EQ(set_picture.hr, S_OK);
  Outcome not_picture;
  Invoke(not_picture, button.get(), L"Picture", DISPATCH_PROPERTYPUT, {Arg::Object(bar.get())});
  EXPECT_EQ(not_picture.hr, DISP_E_TYPEMISMATCH);

  // Two sinks on the button's events; the second sees the first's handled flag.
  auto events = GetObject(GetObject(vbe.get(), L"Events").get(), L"CommandBarEvents",
                          {Arg::Object(button.get())});
  Ref<IConnectionPointContainer> container;
  ASSERT_EQ(events->QueryInterface(IID_IConnectionPointContainer,
                                   reinterpret_cast<void**>(container.out())),
            S_OK);
  Ref<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(kDiidCommandBarControlEvents, point.out()), S_OK);
  Sink first(true, true), second, deaf(false);
  DWORD cookies[2] = {};
  ASSERT_EQ(point->Advise(&first, &cookies[0]), S_OK);
  ASSERT_EQ(point->Advise(&second, &cookies[1]), S_OK);
  DWORD deaf_cookie = 0;
  EXPECT_EQ(point->Advise(&deaf, &deaf_cookie), CONNECT_E_CANNOTCONNECT);

  auto state = FindBar(vbe.get(), "Kestrix");
  ASSERT_TRUE(state.has_value());
  ASSERT_EQ(state->buttons.size(), 1u);
  EXPECT_EQ(state->position, 1);
  EXPECT_EQ(state->buttons[0].caption, "Kestrix");
  EXPECT_EQ(state->buttons[0].tool_tip, "Numbers lines");
  EXPECT_EQ(state->buttons[0].style, 3);
  EXPECT_EQ(state->buttons[0].face_id, 59);
  EXPECT_TRUE(state->buttons[0].picture_set);
  EXPECT_EQ(state->buttons[0].picture_type, PICTYPE_BITMAP);
  EXPECT_EQ(state->buttons[0].sinks, 2);

  ClickResult click = ClickButton(vbe.get(), "Kestrix", 1);
  EXPECT_TRUE(click.found);
  EXPECT_EQ(click.sinks_called, 2);
  EXPECT_TRUE(click.handled);
  EXPECT_EQ(first.control, button.get());
  EXPECT_TRUE(first.flags_typed);
  EXPECT_FALSE(first.saw_handled);
  EXPECT_TRUE(second.saw_handled);
  EXPECT_FALSE(ClickButton(vbe.get(), "Kestrix", 2).found);

  EXPECT_EQ(point->Unadvise(cookies[0]), S_OK);
  EXPECT_EQ(point->Unadvise(cookies[0]), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(AdvisedSinks(vbe.get()), 1);
  EXPECT_EQ(point->Unadvise(cookies[1]), S_OK);
  EXPECT_EQ(ClickButton(vbe.get(), "Kestrix", 1).sinks_called, 0);
  EXPECT_EQ(first.references, 1);

  // Deleting the bar takes it and its button away; the objects still held fail.
  Outcome deleted;
  Invoke(deleted, bar.get(), L"Delete", DISPATCH_METHOD, {});
  EXPECT_EQ(deleted.hr, S_OK);
  EXPECT_FALSE(FindBar(vbe.get(), "Kestrix").has_value());
  EXPECT_EQ(GetLong(bars.get(), L"Count"), built_in);
  EXPECT_EQ(Put(button.get(), L"Caption", Arg::Text(L"x")), DISP_E_EXCEPTION);
}

TEST_F(VbeServer, OlderCommandBarsHaveNoPicture) {
  VbeOptions options;
  options.button_picture = false;
  auto vbe = Vbe(options);
  auto bar = GetObject(GetObject(vbe.get(), L"CommandBars").get(), L"Add", {Arg::Text(L"K")});
  auto button = GetObject(GetObject(bar.get(), L"Controls").get(), L"Add", {Arg::Missing()});
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"Picture")};
  DISPID id = 0;
  EXPECT_EQ(button->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id),
            DISP_E_UNKNOWNNAME);
  EXPECT_EQ(Put(button.get(), L"FaceId", Arg::Long(2950)), S_OK);
}

}  // namespace
}  // namespace kestrix::com::testing
