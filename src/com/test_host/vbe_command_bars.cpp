// The IDE's toolbars as an add-in reaches them (CommandBars, CommandBar, CommandBarControls,
// CommandBarButton), the events of a button (Events.CommandBarEvents: a connection point whose
// sinks receive Click), and the host's side of them: reading a bar, clicking a button.
#include <ocidl.h>
#include <olectl.h>

#include <algorithm>

#include "com/test_host/vbe_objects.h"

namespace kestrix::com::testing {
namespace {

constexpr char kSource[] = "Kestrix test host";
constexpr int32_t kMsoControlButton = 1;
constexpr DISPID kDispidClick = 1;

[[noreturn]] void Raise(int32_t number, const std::string& description) {
  throw host::IdeError(number, description, kSource);
}

bool SameText(std::string_view a, std::string_view b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

using Context = std::shared_ptr<VbeContext>;

std::shared_ptr<BarModel> FindBarModel(VbeContext& context, std::string_view name) {
  for (const auto& bar : context.bars) {
    if (SameText(bar->name, name)) return bar;
  }
  return nullptr;
}

class BarObject;
Ref<IDispatch> WrapBar(const Context& context, const std::shared_ptr<BarModel>& bar);
Ref<IDispatch> WrapButton(const Context& context, const std::shared_ptr<ButtonModel>& button);

class ButtonObject final : public VbeObject {
 public:
  static constexpr wchar_t kClass[] = L"CommandBarButton";
  ButtonObject(Context context, const void* key, std::shared_ptr<ButtonModel> button)
      : VbeObject(kClass, std::move(context), key), b_(std::move(button)) {
    ButtonState& s = b_->state;
    TextProperty(L"Caption", s.caption);
    TextProperty(L"ToolTipText", s.tool_tip);
    TextProperty(L"Tag", s.tag);
    Property(
        L"Style", 0, 0, [&s](Arguments&, VARIANT* r) { ReturnLong(r, s.style); },
        [&s](Arguments& a) {
          int32_t style = a.Long(0);
          if (style < 0 || style > 3) Raise(host::kErrInvalidCall, "Invalid button style.");
          s.style = style;
        });
    Property(
        L"FaceId", 0, 0, [&s](Arguments&, VARIANT* r) { ReturnLong(r, s.face_id); },
        [&s](Arguments& a) { s.face_id = a.Long(0); });
    FlagProperty(L"Enabled", b_->enabled);
    FlagProperty(L"Visible", b_->visible);
    FlagProperty(L"BeginGroup", b_->begin_group);
    Property(L"Type", 0, 0, [](Arguments&, VARIANT* r) { ReturnLong(r, kMsoControlButton); });
    Property(L"Id", 0, 0, [this](Arguments&, VARIANT* r) { ReturnLong(r, b_->id); });
    Property(L"Index", 0, 0, [this](Arguments&, VARIANT* r) { ReturnLong(r, Index()); });
    Property(L"Parent", 0, 0, [this](Arguments&, VARIANT* r) { ReturnObject(r, Parent()); });
    Method(L"Delete", 0, 1, [this](Arguments&, VARIANT*) { Delete(); });
    if (context_->options.button_picture) {
      Property(
          L"Picture", 0, 0, [this](Arguments&, VARIANT* r) { ReturnObject(r, b_->picture); },
          [this](Arguments& a) { SetPicture(a); });
    }
  }

 protected:
  void CheckUsable() const override {
    if (b_->deleted) Raise(host::kErrInvalidCall, "The button was deleted.");
  }

 private:
  void TextProperty(const wchar_t* name, std::string& field) {
    Property(
        name, 0, 0, [&field](Arguments&, VARIANT* r) { ReturnText(r, field); },
        [&field](Arguments& a) { field = a.Text(0); });
  }
  void FlagProperty(const wchar_t* name, bool& field) {
    Property(
        name, 0, 0, [&field](Arguments&, VARIANT* r) { ReturnBool(r, field); },
        [&field](Arguments& a) { field = a.Bool(0); });
  }

  int32_t Index() const {
    const auto& controls = b_->bar->controls;
    auto at = std::find(controls.begin(), controls.end(), b_);
    return static_cast<int32_t>(at - controls.begin()) + 1;
  }

  Ref<IDispatch> Parent() const {
    for (const auto& bar : context_->bars) {
      if (bar.get() == b_->bar) return WrapBar(context_, bar);
    }
    return {};
  }

  void Delete() {
    auto& controls = b_->bar->controls;
    controls.erase(std::remove(controls.begin(), controls.end(), b_), controls.end());
    b_->deleted = true;
    b_->bar = nullptr;
  }

  // A picture is kept as given (the bar shows it); what it is, is noted for the host.
  void SetPicture(Arguments& a) {
    Ref<IDispatch> object = a.Object(0);
    Ref<IPicture> picture;
    if (object &&
        FAILED(object->QueryInterface(IID_IPicture, reinterpret_cast<void**>(picture.out())))) {
      throw ArgumentError{DISP_E_TYPEMISMATCH, 0};
    }
    ButtonState& s = b_->state;
    s.picture_set = static_cast<bool>(picture);
    s.picture_type = 0;
    s.picture_width = s.picture_height = 0;
    if (picture) {
      SHORT type = 0;
      OLE_XSIZE_HIMETRIC width = 0;
      OLE_YSIZE_HIMETRIC height = 0;
      picture->get_Type(&type);
      picture->get_Width(&width);
      picture->get_Height(&height);
      s.picture_type = type;
      s.picture_width = static_cast<int32_t>(width);
      s.picture_height = static_cast<int32_t>(height);
    }
    b_->picture = object;
  }

  std::shared_ptr<ButtonModel> b_;
};

class ControlsObject final : public VbeObject {
 public:
  static constexpr wchar_t kClass[] = L"CommandBarControls";
  ControlsObject(Context context, const void* key, std::shared_ptr<BarModel> bar)
      : VbeObject(kClass, std::move(context), key), bar_(std::move(bar)) {
    Property(L"Count", 0, 0, [this](Arguments&, VARIANT* r) {
      ReturnLong(r, static_cast<int32_t>(bar_->controls.size()));
    });
    Method(L"Item", 1, 1, [this](Arguments& a, VARIANT* r) { ReturnObject(r, Item(a)); });
    Default(L"Item");
    Method(L"Add", 0, 5, [this](Arguments& a, VARIANT* r) { ReturnObject(r, Add(a)); });
    Property(L"Parent", 0, 0,
             [this](Arguments&, VARIANT* r) { ReturnObject(r, WrapBar(context_, bar_)); });
  }

 protected:
  void CheckUsable() const override {
    if (bar_->deleted) Raise(host::kErrInvalidCall, "The command bar was deleted.");
  }

 private:
  // By index, or by caption.
  Ref<IDispatch> Item(Arguments& a) {
    const auto& controls = bar_->controls;
    if (a.IsText(0)) {
      std::string caption = a.Text(0);
      for (const auto& control : controls) {
        if (SameText(control->state.caption, caption)) return WrapButton(context_, control);
      }
      Raise(host::kErrInvalidCall, "No control " + caption + " on " + bar_->name);
    }
    int32_t index = a.Long(0);
    if (index < 1 || index > static_cast<int32_t>(controls.size())) {
      Raise(host::kErrInvalidCall, "No control " + std::to_string(index) + " on " + bar_->name);
    }
    return WrapButton(context_, controls[static_cast<size_t>(index - 1)]);
  }

  // Add([Type], [Id], [Parameter], [Before], [Temporary]): only buttons are offered.
  Ref<IDispatch> Add(Arguments& a) {
    if (a.Long(0, kMsoControlButton) != kMsoControlButton) {
      Raise(host::kErrInvalidCall, "Only buttons can be added to a bar here.");
    }
    auto& controls = bar_->controls;
    int32_t before = a.Long(3, static_cast<int32_t>(controls.size()) + 1);
    if (before < 1 || before > static_cast<int32_t>(controls.size()) + 1) {
      Raise(host::kErrInvalidCall, "Invalid procedure call or argument: Before");
    }
    auto button = std::make_shared<ButtonModel>();
    button->id = a.Long(1, 1);
    button->bar = bar_.get();
    controls.insert(controls.begin() + (before - 1), button);
    context_->all_buttons.push_back(button);
    return WrapButton(context_, button);
  }

  std::shared_ptr<BarModel> bar_;
};

class BarObject final : public VbeObject {
 public:
  static constexpr wchar_t kClass[] = L"CommandBar";
  BarObject(Context context, const void* key, std::shared_ptr<BarModel> bar)
      : VbeObject(kClass, std::move(context), key), bar_(std::move(bar)) {
    Property(
        L"Name", 0, 0, [this](Arguments&, VARIANT* r) { ReturnText(r, bar_->name); },
        [this](Arguments& a) { Rename(a.Text(0)); });
    Property(
        L"Visible", 0, 0, [this](Arguments&, VARIANT* r) { ReturnBool(r, bar_->visible); },
        [this](Arguments& a) { bar_->visible = a.Bool(0); });
    Property(
        L"Position", 0, 0, [this](Arguments&, VARIANT* r) { ReturnLong(r, bar_->position); },
        [this](Arguments& a) { bar_->position = a.Long(0); });
    Property(L"BuiltIn", 0, 0, [this](Arguments&, VARIANT* r) { ReturnBool(r, bar_->built_in); });
    Property(L"Controls", 0, 0, [this](Arguments&, VARIANT* r) {
      ReturnObject(r, context_->Wrap<ControlsObject>(context_, &bar_->controls, bar_));
    });
    Method(L"Delete", 0, 0, [this](Arguments&, VARIANT*) { Delete(); });
  }

 protected:
  void CheckUsable() const override {
    if (bar_->deleted) Raise(host::kErrInvalidCall, "The command bar was deleted.");
  }

 private:
  void Rename(const std::string& name) {
    auto other = FindBarModel(*context_, name);
    if (name.empty() || (other && other != bar_)) {
      Raise(host::kErrInvalidCall, "Invalid procedure call or argument: Name");
    }
    bar_->name = name;
  }

  void Delete() {
    if (bar_->built_in) Raise(host::kErrInvalidCall, "The IDE's own bars cannot be deleted.");
    auto& bars = context_->bars;
    bars.erase(std::remove(bars.begin(), bars.end(), bar_), bars.end());
    bar_->deleted = true;
    for (const auto& control : bar_->controls) {
      control->deleted = true;
      control->bar = nullptr;
    }
  }

  std::shared_ptr<BarModel> bar_;
};

class CommandBarsObject final : public VbeObject {
 public:
  static constexpr wchar_t kClass[] = L"CommandBars";
  CommandBarsObject(Context context, const void* key) : VbeObject(kClass, std::move(context), key) {
    Property(L"Count", 0, 0, [this](Arguments&, VARIANT* r) {
      ReturnLong(r, static_cast<int32_t>(context_->bars.size()));
    });
    Method(L"Item", 1, 1, [this](Arguments& a, VARIANT* r) { ReturnObject(r, Item(a)); });
    Default(L"Item");
    Method(L"Add", 0, 4, [this](Arguments& a, VARIANT* r) { ReturnObject(r, Add(a)); });
  }

 private:
  Ref<IDispatch> Item(Arguments& a) {
    const auto& bars = context_->bars;
    if (a.IsText(0)) {
      std::string name = a.Text(0);
      auto bar = FindBarModel(*context_, name);
      if (!bar) Raise(host::kErrInvalidCall, "Invalid procedure call or argument: no bar " + name);
      return WrapBar(context_, bar);
    }
    int32_t index = a.Long(0);
    if (index < 1 || index > static_cast<int32_t>(bars.size())) {
      Raise(host::kErrInvalidCall,
            "Invalid procedure call or argument: no bar " + std::to_string(index));
    }
    return WrapBar(context_, bars[static_cast<size_t>(index - 1)]);
  }

  // Add([Name], [Position], [MenuBar], [Temporary]); bar names are unique.
  Ref<IDispatch> Add(Arguments& a) {
    auto bar = std::make_shared<BarModel>();
    bar->name = a.Text(0, "Custom " + std::to_string(context_->bars.size() + 1));
    bar->position = a.Long(1, 4);
    // MenuBar and Temporary change nothing here, but must be flags when given.
    a.Bool(2, false);
    a.Bool(3, false);
    if (bar->name.empty() || FindBarModel(*context_, bar->name)) {
      Raise(host::kErrInvalidCall, "Invalid procedure call or argument: Name");
    }
    if (bar->position < 0 || bar->position > 6) {
      Raise(host::kErrInvalidCall, "Invalid procedure call or argument: Position");
    }
    context_->bars.push_back(bar);
    return WrapBar(context_, bar);
  }
};

// The connection point of one button's events.
class ConnectionPoint final : public IConnectionPoint {
 public:
  ConnectionPoint(Context context, std::shared_ptr<ButtonModel> button,
                  IConnectionPointContainer* container)
      : context_(std::move(context)),
        button_(std::move(button)),
        container_(Ref<IConnectionPointContainer>::Borrow(container)) {}
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IConnectionPoint)) {
      return E_NOINTERFACE;
    }
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (iid == nullptr) return E_POINTER;
    *iid = kDiidCommandBarControlEvents;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override {
    if (out == nullptr) return E_POINTER;
    *out = Ref<IConnectionPointContainer>(container_).release();
    return S_OK;
  }
  // The sink must answer for the events' dispinterface, as the IDE asks it to.
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (sink == nullptr || cookie == nullptr) return E_POINTER;
    *cookie = 0;
    Ref<IDispatch> events;
    if (FAILED(sink->QueryInterface(kDiidCommandBarControlEvents,
                                    reinterpret_cast<void**>(events.out())))) {
      return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = context_->next_cookie++;
    button_->sinks.emplace_back(*cookie, events);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    auto& sinks = button_->sinks;
    auto at = std::find_if(sinks.begin(), sinks.end(),
                           [cookie](const auto& sink) { return sink.first == cookie; });
    if (at == sinks.end()) return CONNECT_E_NOCONNECTION;
    Ref<IDispatch> released = at->second;  // released after the list is consistent again
    sinks.erase(at);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
  }

 private:
  ~ConnectionPoint() = default;
  LONG references_ = 1;
  Context context_;
  std::shared_ptr<ButtonModel> button_;
  Ref<IConnectionPointContainer> container_;
};

class CommandBarEventsObject final : public VbeObject, public IConnectionPointContainer {
 public:
  static constexpr wchar_t kClass[] = L"CommandBarEvents";
  CommandBarEventsObject(Context context, const void* key, std::shared_ptr<ButtonModel> button)
      : VbeObject(kClass, std::move(context), key), button_(std::move(button)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return VbeObject::QueryInterface(iid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return VbeObject::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return VbeObject::Release(); }

  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, kDiidCommandBarControlEvents)) return CONNECT_E_NOCONNECTION;
    *out = new ConnectionPoint(context_, button_, this);
    return S_OK;
  }

 protected:
  HRESULT QueryOther(REFIID iid, void** object) override {
    if (!IsEqualIID(iid, IID_IConnectionPointContainer)) return E_NOINTERFACE;
    *object = static_cast<IConnectionPointContainer*>(this);
    AddRef();
    return S_OK;
  }

 private:
  std::shared_ptr<ButtonModel> button_;
};

std::shared_ptr<ButtonModel> ButtonOf(VbeContext& context, IDispatch* control) {
  auto* button = Unwrap<ButtonObject>(control);
  if (button == nullptr) return nullptr;
  for (const auto& model : context.all_buttons) {
    if (model.get() == button->Key()) return model;
  }
  return nullptr;
}

class EventsObject final : public VbeObject {
 public:
  static constexpr wchar_t kClass[] = L"Events";
  EventsObject(Context context, const void* key) : VbeObject(kClass, std::move(context), key) {
    // CommandBarEvents(CommandBarControl): the event source of one button.
    Property(L"CommandBarEvents", 1, 1, [this](Arguments& a, VARIANT* r) {
      Ref<IDispatch> control = a.Object(0);
      if (!control) Raise(424, "Object required");
      auto button = ButtonOf(*context_, control.get());
      if (!button) throw ArgumentError{DISP_E_TYPEMISMATCH, 0};
      ReturnObject(r, context_->Wrap<CommandBarEventsObject>(context_, button.get(), button));
    });
  }
};

Ref<IDispatch> WrapBar(const Context& context, const std::shared_ptr<BarModel>& bar) {
  return context->Wrap<BarObject>(context, bar.get(), bar);
}

Ref<IDispatch> WrapButton(const Context& context, const std::shared_ptr<ButtonModel>& button) {
  return context->Wrap<ButtonObject>(context, button.get(), button);
}

ButtonState StateOf(const ButtonModel& button) {
  ButtonState state = button.state;
  state.sinks = static_cast<int32_t>(button.sinks.size());
  return state;
}

}  // namespace

Ref<IDispatch> NewCommandBars(const std::shared_ptr<VbeContext>& context) {
  return context->Wrap<CommandBarsObject>(context, &context->command_bars_key);
}

Ref<IDispatch> NewEvents(const std::shared_ptr<VbeContext>& context) {
  return context->Wrap<EventsObject>(context, &context->events_key);
}

void AddBuiltInBars(VbeContext& context) {
  struct BuiltIn {
    const char* name;
    int32_t position;
    bool visible;
  };
  constexpr BuiltIn kBars[] = {{"Menu Bar", 1, true},
                               {"Standard", 1, true},
                               {"Edit", 1, false},
                               {"Debug", 1, false},
                               {"Form Editor", 1, false}};
  for (const BuiltIn& built_in : kBars) {
    auto bar = std::make_shared<BarModel>();
    bar->name = built_in.name;
    bar->position = built_in.position;
    bar->visible = built_in.visible;
    bar->built_in = true;
    context.bars.push_back(bar);
  }
}

std::vector<std::string> BarNames(IDispatch* vbe) {
  std::vector<std::string> names;
  if (auto context = ContextOf(vbe)) {
    for (const auto& bar : context->bars)
      names.push_back(bar->name);
  }
  return names;
}

std::optional<BarState> FindBar(IDispatch* vbe, std::string_view name) {
  auto context = ContextOf(vbe);
  if (!context) return std::nullopt;
  auto bar = FindBarModel(*context, name);
  if (!bar) return std::nullopt;
  BarState state{bar->name, bar->position, bar->visible, {}};
  for (const auto& control : bar->controls)
    state.buttons.push_back(StateOf(*control));
  return state;
}

ClickResult ClickButton(IDispatch* vbe, std::string_view bar_name, int32_t index) {
  ClickResult click;
  auto context = ContextOf(vbe);
  auto bar = context ? FindBarModel(*context, bar_name) : nullptr;
  if (!bar || index < 1 || index > static_cast<int32_t>(bar->controls.size())) return click;
  click.found = true;
  auto button = bar->controls[static_cast<size_t>(index - 1)];
  Ref<IDispatch> control = WrapButton(context, button);
  auto sinks = button->sinks;  // a sink may unadvise, or delete the button, while called
  VARIANT_BOOL handled = VARIANT_FALSE;
  VARIANT_BOOL cancel_default = VARIANT_FALSE;
  for (const auto& [cookie, sink] : sinks) {
    VARIANT arguments[3];  // last first: CancelDefault, handled, the control
    arguments[0].vt = VT_BYREF | VT_BOOL;
    arguments[0].pboolVal = &cancel_default;
    arguments[1].vt = VT_BYREF | VT_BOOL;
    arguments[1].pboolVal = &handled;
    arguments[2].vt = VT_DISPATCH;
    arguments[2].pdispVal = control.get();
    DISPPARAMS params = {arguments, nullptr, 3, 0};
    EXCEPINFO exception = {};
    UINT arg_error = 0;
    HRESULT hr = sink->Invoke(kDispidClick, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                              nullptr, &exception, &arg_error);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    ++click.sinks_called;
    if (FAILED(hr) && click.failure == S_OK) click.failure = hr;
  }
  click.handled = handled != VARIANT_FALSE;
  click.cancel_default = cancel_default != VARIANT_FALSE;
  return click;
}

int32_t AdvisedSinks(IDispatch* vbe) {
  int32_t count = 0;
  if (auto context = ContextOf(vbe)) {
    for (const auto& button : context->all_buttons) {
      count += static_cast<int32_t>(button->sinks.size());
    }
  }
  return count;
}

}  // namespace kestrix::com::testing
