#include "com/ide_bridge.h"

#include <ocidl.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "com/bitmap_picture.h"
#include "com/click_sink.h"
#include "com/dispatch_client.h"
#include "com/module.h"

namespace kestrix::com {
namespace {

// A property read with arguments (or a default member such as Item): the IDE's collections
// declare Item as a method, the command bars' as a property, and both answer this pair.
constexpr WORD kGetWithArguments = DISPATCH_PROPERTYGET | DISPATCH_METHOD;
constexpr WORD kMethod = DISPATCH_METHOD;

// A face of the IDE's own, for command bars that take no picture.
constexpr int32_t kFallbackFaceId = 59;
constexpr int32_t kControlButton = 1;  // msoControlButton

// The members the bridge calls, by kind of object (slots number the DISPID cache).
namespace m {
constexpr Member kFullName{Kind::kVbe, 0, L"FullName"};
constexpr Member kVbProjects{Kind::kVbe, 1, L"VBProjects"};
constexpr Member kActiveVbProject{Kind::kVbe, 2, L"ActiveVBProject"};
constexpr Member kActiveCodePane{Kind::kVbe, 3, L"ActiveCodePane"};
constexpr Member kCommandBars{Kind::kVbe, 4, L"CommandBars"};
constexpr Member kEvents{Kind::kVbe, 5, L"Events"};

constexpr Member kProjectsCount{Kind::kProjects, 0, L"Count"};
constexpr Member kProjectsItem{Kind::kProjects, 1, L"Item"};

constexpr Member kProjectName{Kind::kProject, 0, L"Name"};
constexpr Member kProjectFileName{Kind::kProject, 1, L"FileName"};
constexpr Member kBuildFileName{Kind::kProject, 2, L"BuildFileName"};
constexpr Member kProjectSaveAs{Kind::kProject, 3, L"SaveAs"};
constexpr Member kMakeCompiledFile{Kind::kProject, 4, L"MakeCompiledFile"};
constexpr Member kProjectIsDirty{Kind::kProject, 5, L"IsDirty"};
constexpr Member kVbComponents{Kind::kProject, 6, L"VBComponents"};

constexpr Member kComponentsCount{Kind::kComponents, 0, L"Count"};
constexpr Member kComponentsItem{Kind::kComponents, 1, L"Item"};
constexpr Member kComponentsRemove{Kind::kComponents, 2, L"Remove"};
constexpr Member kComponentsImport{Kind::kComponents, 3, L"Import"};
constexpr Member kComponentsAddFile{Kind::kComponents, 4, L"AddFile"};
constexpr Member kComponentsParent{Kind::kComponents, 5, L"Parent"};

constexpr Member kComponentName{Kind::kComponent, 0, L"Name"};
constexpr Member kComponentType{Kind::kComponent, 1, L"Type"};
constexpr Member kFileNames{Kind::kComponent, 2, L"FileNames"};
constexpr Member kFileCount{Kind::kComponent, 3, L"FileCount"};
constexpr Member kComponentIsDirty{Kind::kComponent, 4, L"IsDirty"};
constexpr Member kComponentSaveAs{Kind::kComponent, 5, L"SaveAs"};
constexpr Member kCodeModule{Kind::kComponent, 6, L"CodeModule"};
constexpr Member kComponentCollection{Kind::kComponent, 7, L"Collection"};

constexpr Member kModuleParent{Kind::kCodeModule, 0, L"Parent"};
constexpr Member kCountOfLines{Kind::kCodeModule, 1, L"CountOfLines"};
constexpr Member kCountOfDeclarationLines{Kind::kCodeModule, 2, L"CountOfDeclarationLines"};
constexpr Member kLines{Kind::kCodeModule, 3, L"Lines"};
constexpr Member kInsertLines{Kind::kCodeModule, 4, L"InsertLines"};
constexpr Member kDeleteLines{Kind::kCodeModule, 5, L"DeleteLines"};
constexpr Member kReplaceLine{Kind::kCodeModule, 6, L"ReplaceLine"};
constexpr Member kProcOfLine{Kind::kCodeModule, 7, L"ProcOfLine"};
constexpr Member kProcStartLine{Kind::kCodeModule, 8, L"ProcStartLine"};
constexpr Member kProcCountLines{Kind::kCodeModule, 9, L"ProcCountLines"};
constexpr Member kProcBodyLine{Kind::kCodeModule, 10, L"ProcBodyLine"};
constexpr Member kFind{Kind::kCodeModule, 11, L"Find"};

constexpr Member kPaneCodeModule{Kind::kCodePane, 0, L"CodeModule"};

constexpr Member kCommandBarEvents{Kind::kEvents, 0, L"CommandBarEvents"};

constexpr Member kBarsCount{Kind::kCommandBars, 0, L"Count"};
constexpr Member kBarsItem{Kind::kCommandBars, 1, L"Item"};
constexpr Member kBarsAdd{Kind::kCommandBars, 2, L"Add"};

constexpr Member kBarName{Kind::kCommandBar, 0, L"Name"};
constexpr Member kBarVisible{Kind::kCommandBar, 1, L"Visible"};
constexpr Member kBarControls{Kind::kCommandBar, 2, L"Controls"};
constexpr Member kBarDelete{Kind::kCommandBar, 3, L"Delete"};

constexpr Member kControlsAdd{Kind::kControls, 0, L"Add"};

constexpr Member kCaption{Kind::kButton, 0, L"Caption"};
constexpr Member kToolTipText{Kind::kButton, 1, L"ToolTipText"};
constexpr Member kStyle{Kind::kButton, 2, L"Style"};
constexpr Member kFaceId{Kind::kButton, 3, L"FaceId"};
constexpr Member kPicture{Kind::kButton, 4, L"Picture"};
}  // namespace m

[[noreturn]] void Gone(const char* what) {
  throw host::IdeError(host::kErrInvalidCall,
                       std::string("The ") + what + " was removed from the IDE.", "Kestrix");
}

class BridgeProject;
class BridgeComponent;
class BridgeCodeModule;
class BridgeBar;

// What every wrapper of one bridge shares: the calls, the root and the objects made so far,
// found again by their identity so that one IDE object always has one wrapper.
struct Shared {
  explicit Shared(IDispatch* root) : client(LogEnabled()), vbe(Ref<IDispatch>::Share(root)) {}

  DispatchClient client;
  Ref<IDispatch> vbe;
  Ref<IDispatch> projects;  // VBE.VBProjects, read once
  Ref<IDispatch> events;    // VBE.Events, read once
  // The component wrappers (owned by their projects) leave these maps as they go, so the
  // projects are declared after them and destroyed first.
  std::map<IUnknown*, BridgeComponent*> component_wrappers;
  std::map<IUnknown*, BridgeCodeModule*> module_wrappers;
  std::map<IUnknown*, std::unique_ptr<BridgeProject>> project_wrappers;

  BridgeProject& ProjectFor(Ref<IDispatch> object);
  host::CodeModule& ModuleFor(Ref<IDispatch> module);
};

class BridgeCodeModule final : public host::CodeModule {
 public:
  BridgeCodeModule(Shared& shared, host::Component& parent, Ref<IDispatch> object)
      : shared_(shared), parent_(parent), object_(std::move(object)) {}

  void Retire() { object_.Reset(); }

  host::Component& Parent() override { return parent_; }
  int32_t CountOfLines() const override {
    return shared_.client.GetLong(Object(), m::kCountOfLines);
  }
  int32_t CountOfDeclarationLines() const override {
    return shared_.client.GetLong(Object(), m::kCountOfDeclarationLines);
  }
  std::string Lines(int32_t start_line, int32_t count) const override {
    Variant start = Variant::Long(start_line), length = Variant::Long(count), result;
    shared_.client.Call(Object(), m::kLines, kGetWithArguments, {start.get(), length.get()},
                        result.get());
    return DispatchClient::ResultText(m::kLines, result.get());
  }
  void InsertLines(int32_t line, std::string_view text) override {
    Variant at = Variant::Long(line), lines = Variant::Text(text);
    shared_.client.Call(Object(), m::kInsertLines, kMethod, {at.get(), lines.get()}, nullptr);
  }
  void DeleteLines(int32_t start_line, int32_t count) override {
    Variant start = Variant::Long(start_line), length = Variant::Long(count);
    shared_.client.Call(Object(), m::kDeleteLines, kMethod, {start.get(), length.get()}, nullptr);
  }
  void ReplaceLine(int32_t line, std::string_view text) override {
    Variant at = Variant::Long(line), replacement = Variant::Text(text);
    shared_.client.Call(Object(), m::kReplaceLine, kMethod, {at.get(), replacement.get()}, nullptr);
  }
  std::string ProcOfLine(int32_t line, host::ProcKind& kind) const override {
    LONG kind_value = 0;
    Variant at = Variant::Long(line), kind_ref = Variant::LongRef(&kind_value), result;
    shared_.client.Call(Object(), m::kProcOfLine, kGetWithArguments, {at.get(), kind_ref.get()},
                        result.get());
    std::string name = DispatchClient::ResultText(m::kProcOfLine, result.get());
    kind = static_cast<host::ProcKind>(kind_value);
    return name;
  }
  int32_t ProcStartLine(std::string_view name, host::ProcKind kind) const override {
    return ProcLookup(m::kProcStartLine, name, kind);
  }
  int32_t ProcCountLines(std::string_view name, host::ProcKind kind) const override {
    return ProcLookup(m::kProcCountLines, name, kind);
  }
  int32_t ProcBodyLine(std::string_view name, host::ProcKind kind) const override {
    return ProcLookup(m::kProcBodyLine, name, kind);
  }
  bool Find(std::string_view target, int32_t& start_line, int32_t& start_column, int32_t& end_line,
            int32_t& end_column, bool whole_word, bool match_case,
            bool pattern_search) const override {
    LONG positions[4] = {start_line, start_column, end_line, end_column};
    Variant text = Variant::Text(target), first_line = Variant::LongRef(&positions[0]),
            first_column = Variant::LongRef(&positions[1]),
            last_line = Variant::LongRef(&positions[2]),
            last_column = Variant::LongRef(&positions[3]), whole = Variant::Bool(whole_word),
            exact = Variant::Bool(match_case), pattern = Variant::Bool(pattern_search), result;
    shared_.client.Call(Object(), m::kFind, kMethod,
                        {text.get(), first_line.get(), first_column.get(), last_line.get(),
                         last_column.get(), whole.get(), exact.get(), pattern.get()},
                        result.get());
    if (!DispatchClient::ResultBool(m::kFind, result.get())) return false;
    start_line = positions[0];
    start_column = positions[1];
    end_line = positions[2];
    end_column = positions[3];
    return true;
  }

 private:
  IDispatch* Object() const {
    if (!object_) Gone("code module");
    return object_.get();
  }
  int32_t ProcLookup(const Member& member, std::string_view name, host::ProcKind kind) const {
    Variant proc = Variant::Text(name), proc_kind = Variant::Long(static_cast<int32_t>(kind)),
            result;
    shared_.client.Call(Object(), member, kGetWithArguments, {proc.get(), proc_kind.get()},
                        result.get());
    return DispatchClient::ResultLong(member, result.get());
  }

  Shared& shared_;
  host::Component& parent_;
  Ref<IDispatch> object_;
};

class BridgeComponent final : public host::Component {
 public:
  BridgeComponent(Shared& shared, host::Project& project, Ref<IDispatch> object,
                  Ref<IUnknown> identity)
      : shared_(shared),
        project_(project),
        object_(std::move(object)),
        identity_(std::move(identity)) {}
  ~BridgeComponent() override { Forget(); }

  IDispatch* Object() const {
    if (!object_) Gone("component");
    return object_.get();
  }
  IUnknown* IdentityKey() const { return identity_.get(); }
  bool Removed() const { return !object_; }

  // After Remove: the wrapper stays (a reference to it must not dangle) but calls fail.
  void Retire() {
    Forget();
    if (module_) module_->Retire();
    object_.Reset();
    identity_.Reset();
  }

  host::Project& Collection() override { return project_; }
  std::string Name() const override { return shared_.client.GetText(Object(), m::kComponentName); }
  host::ComponentType Type() const override {
    return static_cast<host::ComponentType>(shared_.client.GetLong(Object(), m::kComponentType));
  }
  std::string FileNames(int16_t index) const override {
    Variant number = Variant::Short(index), result;
    shared_.client.Call(Object(), m::kFileNames, kGetWithArguments, {number.get()}, result.get());
    return DispatchClient::ResultText(m::kFileNames, result.get());
  }
  int16_t FileCount() const override {
    return static_cast<int16_t>(shared_.client.GetLong(Object(), m::kFileCount));
  }
  bool IsDirty() const override { return shared_.client.GetBool(Object(), m::kComponentIsDirty); }
  host::CodeModule* GetCodeModule() override {
    if (!module_checked_) {
      Ref<IDispatch> module = shared_.client.GetDispatch(Object(), m::kCodeModule);
      module_checked_ = true;
      if (module) {
        Ref<IUnknown> identity = Identity(module.get());
        module_ = std::make_unique<BridgeCodeModule>(shared_, *this, std::move(module));
        if (identity) {
          module_identity_ = identity;
          shared_.module_wrappers[identity.get()] = module_.get();
        }
      }
    }
    if (Removed()) Gone("component");
    return module_.get();
  }
  void SaveAs(const std::string& path) override {
    Variant file = Variant::Text(path);
    shared_.client.Call(Object(), m::kComponentSaveAs, kMethod, {file.get()}, nullptr);
  }

 private:
  void Forget() {
    if (identity_) {
      auto found = shared_.component_wrappers.find(identity_.get());
      if (found != shared_.component_wrappers.end() && found->second == this) {
        shared_.component_wrappers.erase(found);
      }
    }
    if (module_identity_) {
      auto found = shared_.module_wrappers.find(module_identity_.get());
      if (found != shared_.module_wrappers.end() && found->second == module_.get()) {
        shared_.module_wrappers.erase(found);
      }
      module_identity_.Reset();
    }
  }

  Shared& shared_;
  host::Project& project_;
  Ref<IDispatch> object_;
  Ref<IUnknown> identity_;
  bool module_checked_ = false;
  std::unique_ptr<BridgeCodeModule> module_;
  Ref<IUnknown> module_identity_;
};

class BridgeComponents final : public host::Components {
 public:
  BridgeComponents(Shared& shared, host::Project& project, IDispatch* project_object)
      : shared_(shared), project_(project), project_object_(project_object) {}

  int32_t Count() const override { return shared_.client.GetLong(Object(), m::kComponentsCount); }
  host::Component& Item(int32_t index) override {
    Variant number = Variant::Long(index), result;
    shared_.client.Call(Object(), m::kComponentsItem, kGetWithArguments, {number.get()},
                        result.get());
    return Adopt(DispatchClient::ResultObject(m::kComponentsItem, result.get()),
                 m::kComponentsItem);
  }
  void Remove(host::Component& component) override {
    auto* ours = dynamic_cast<BridgeComponent*>(&component);
    if (ours == nullptr || &ours->Collection() != &project_) {
      throw host::IdeError(host::kErrInvalidCall, "The component is not one of this project's.",
                           "Kestrix");
    }
    Variant object = Variant::Object(ours->Object());
    shared_.client.Call(Object(), m::kComponentsRemove, kMethod, {object.get()}, nullptr);
    ours->Retire();
    for (auto it = live_.begin(); it != live_.end(); ++it) {
      if (it->get() == ours) {
        retired_.push_back(std::move(*it));
        live_.erase(it);
        break;
      }
    }
  }
  host::Component& AddFromFile(const std::string& path) override {
    return AddBy(m::kComponentsAddFile, path);
  }
  host::Component& Import(const std::string& path) override {
    return AddBy(m::kComponentsImport, path);
  }

  // The wrapper of `object`, one of this project's components.
  host::Component& Adopt(Ref<IDispatch> object, const Member& member) {
    if (!object) {
      throw host::IdeError(
          host::kErrSubscriptOutOfRange,
          std::string(KindName(member.kind)) + "." + Narrow(member.name) + " answered Nothing.",
          "Kestrix");
    }
    Ref<IUnknown> identity = Identity(object.get());
    if (identity) {
      auto found = shared_.component_wrappers.find(identity.get());
      if (found != shared_.component_wrappers.end()) return *found->second;
    }
    IUnknown* key = identity.get();
    live_.push_back(std::make_unique<BridgeComponent>(shared_, project_, std::move(object),
                                                      std::move(identity)));
    if (key != nullptr) shared_.component_wrappers[key] = live_.back().get();
    return *live_.back();
  }

 private:
  IDispatch* Object() const {
    if (!components_) components_ = shared_.client.GetDispatch(project_object_, m::kVbComponents);
    if (!components_) {
      throw host::IdeError(host::kErrNotSupported, "VBProject.VBComponents answered Nothing.",
                           "Kestrix");
    }
    return components_.get();
  }
  host::Component& AddBy(const Member& member, const std::string& path) {
    Variant file = Variant::Text(path), result;
    shared_.client.Call(Object(), member, kMethod, {file.get()}, result.get());
    return Adopt(DispatchClient::ResultObject(member, result.get()), member);
  }

  Shared& shared_;
  host::Project& project_;
  IDispatch* project_object_;  // owned by the project wrapper
  mutable Ref<IDispatch> components_;
  std::vector<std::unique_ptr<BridgeComponent>> live_;
  std::vector<std::unique_ptr<BridgeComponent>> retired_;
};

class BridgeProject final : public host::Project {
 public:
  BridgeProject(Shared& shared, Ref<IDispatch> object, Ref<IUnknown> identity)
      : shared_(shared),
        object_(std::move(object)),
        identity_(std::move(identity)),
        components_(shared, *this, object_.get()) {}

  BridgeComponents& Wrappers() { return components_; }

  std::string Name() const override {
    return shared_.client.GetText(object_.get(), m::kProjectName);
  }
  std::string FileName() const override {
    return shared_.client.GetText(object_.get(), m::kProjectFileName);
  }
  host::Components& VBComponents() override { return components_; }
  void SaveAs(const std::string& path) override {
    Variant file = Variant::Text(path);
    shared_.client.Call(object_.get(), m::kProjectSaveAs, kMethod, {file.get()}, nullptr);
  }
  bool IsDirty() const override {
    return shared_.client.GetBool(object_.get(), m::kProjectIsDirty);
  }
  std::string BuildFileName() const override {
    return shared_.client.GetText(object_.get(), m::kBuildFileName);
  }
  void SetBuildFileName(const std::string& path) override {
    Variant file = Variant::Text(path);
    shared_.client.Put(object_.get(), m::kBuildFileName, file.get());
  }
  void MakeCompiledFile() override {
    shared_.client.Call(object_.get(), m::kMakeCompiledFile, kMethod, {}, nullptr);
  }

 private:
  Shared& shared_;
  Ref<IDispatch> object_;
  Ref<IUnknown> identity_;
  BridgeComponents components_;
};

BridgeProject& Shared::ProjectFor(Ref<IDispatch> object) {
  Ref<IUnknown> identity = Identity(object.get());
  if (!identity) {
    throw host::IdeError(host::kErrNotSupported, "A project of the IDE has no identity.",
                         "Kestrix");
  }
  auto found = project_wrappers.find(identity.get());
  if (found != project_wrappers.end()) return *found->second;
  IUnknown* key = identity.get();
  auto wrapper = std::make_unique<BridgeProject>(*this, std::move(object), std::move(identity));
  return *project_wrappers.emplace(key, std::move(wrapper)).first->second;
}

// A code module reached from a code pane: the same wrapper as through its component, found by
// identity, else by way of its component and project.
host::CodeModule& Shared::ModuleFor(Ref<IDispatch> module) {
  Ref<IUnknown> identity = Identity(module.get());
  if (identity) {
    auto found = module_wrappers.find(identity.get());
    if (found != module_wrappers.end()) return *found->second;
  }
  Ref<IDispatch> component = client.GetDispatch(module.get(), m::kModuleParent);
  Ref<IDispatch> components =
      component ? client.GetDispatch(component.get(), m::kComponentCollection) : Ref<IDispatch>();
  Ref<IDispatch> project =
      components ? client.GetDispatch(components.get(), m::kComponentsParent) : Ref<IDispatch>();
  if (!project) {
    throw host::IdeError(host::kErrNotSupported,
                         "The code window's module belongs to no project the IDE names.",
                         "Kestrix");
  }
  host::Component& wrapper =
      ProjectFor(std::move(project)).Wrappers().Adopt(std::move(component), m::kModuleParent);
  host::CodeModule* code = wrapper.GetCodeModule();
  if (code == nullptr) {
    throw host::IdeError(host::kErrNotSupported, "The code window's component has no code.",
                         "Kestrix");
  }
  return *code;
}

class BridgeProjects final : public host::Projects {
 public:
  explicit BridgeProjects(Shared& shared) : shared_(shared) {}
  int32_t Count() const override { return shared_.client.GetLong(Object(), m::kProjectsCount); }
  host::Project& Item(int32_t index) override {
    Variant number = Variant::Long(index), result;
    shared_.client.Call(Object(), m::kProjectsItem, kGetWithArguments, {number.get()},
                        result.get());
    Ref<IDispatch> project = DispatchClient::ResultObject(m::kProjectsItem, result.get());
    if (!project) {
      throw host::IdeError(host::kErrSubscriptOutOfRange, "VBProjects.Item answered Nothing.",
                           "Kestrix");
    }
    return shared_.ProjectFor(std::move(project));
  }

 private:
  IDispatch* Object() const {
    if (!shared_.projects)
      shared_.projects = shared_.client.GetDispatch(shared_.vbe.get(), m::kVbProjects);
    if (!shared_.projects) {
      throw host::IdeError(host::kErrNotSupported, "VBE.VBProjects answered Nothing.", "Kestrix");
    }
    return shared_.projects.get();
  }

  Shared& shared_;
};

class BridgeCodePane final : public host::CodePane {
 public:
  BridgeCodePane(Shared& shared, Ref<IDispatch> object)
      : shared_(shared), object_(std::move(object)) {}
  host::CodeModule& GetCodeModule() override {
    Ref<IDispatch> module = shared_.client.GetDispatch(object_.get(), m::kPaneCodeModule);
    if (!module) {
      throw host::IdeError(host::kErrNoActiveCodePane, "The code window shows no code module.",
                           "Kestrix");
    }
    return shared_.ModuleFor(std::move(module));
  }

 private:
  Shared& shared_;
  Ref<IDispatch> object_;
};

class BridgeButton final : public host::CommandBarButton {
 public:
  BridgeButton(Shared& shared, Ref<IDispatch> object)
      : shared_(shared), object_(std::move(object)) {}
  ~BridgeButton() override { Disconnect(); }

  // Stops the click events (the bar is deleted, or the bridge goes away). Never throws.
  void Disconnect() noexcept {
    if (sink_) sink_->Detach();
    if (point_) {
      HRESULT hr = point_->Unadvise(cookie_);
      if (shared_.client.Logging()) Log("IDE click events Unadvise -> " + HresultText(hr));
    }
    point_.Reset();
    events_.Reset();
    sink_.Reset();
  }
  void Retire() {
    Disconnect();
    object_.Reset();
  }

  void SetCaption(const std::string& caption) override { PutText(m::kCaption, caption); }
  std::string Caption() const override { return shared_.client.GetText(Object(), m::kCaption); }
  void SetToolTipText(const std::string& text) override { PutText(m::kToolTipText, text); }
  std::string ToolTipText() const override {
    return shared_.client.GetText(Object(), m::kToolTipText);
  }
  void SetStyle(host::ButtonStyle style) override {
    Variant value = Variant::Long(static_cast<int32_t>(style));
    shared_.client.Put(Object(), m::kStyle, value.get());
  }
  void SetFace(const std::string& bmp) override {
    if (shared_.client.Has(Object(), m::kPicture)) {
      Ref<IDispatch> picture = PictureFromBmp(bmp);
      Variant value = Variant::Object(picture.get());
      try {
        shared_.client.Put(Object(), m::kPicture, value.get());
        if (shared_.client.Logging()) Log("Button face set through Picture");
        return;
      } catch (const host::IdeError& error) {
        if (error.Number() != host::kErrNotSupported) throw;
      }
    }
    if (shared_.client.Logging()) {
      Log("Button face: the command bars take no Picture, FaceId " +
          std::to_string(kFallbackFaceId) + " instead");
    }
    Variant face = Variant::Long(kFallbackFaceId);
    shared_.client.Put(Object(), m::kFaceId, face.get());
  }
  void SetClickHandler(ClickHandler handler) override {
    if (sink_) {
      sink_->SetHandler(std::move(handler));
      return;
    }
    if (!shared_.events) shared_.events = shared_.client.GetDispatch(shared_.vbe.get(), m::kEvents);
    if (!shared_.events) {
      throw host::IdeError(host::kErrNotSupported, "VBE.Events answered Nothing.", "Kestrix");
    }
    Variant control = Variant::Object(Object()), result;
    shared_.client.Call(shared_.events.get(), m::kCommandBarEvents, kGetWithArguments,
                        {control.get()}, result.get());
    Ref<IDispatch> source = DispatchClient::ResultObject(m::kCommandBarEvents, result.get());
    Ref<IConnectionPointContainer> container;
    HRESULT hr = source ? source->QueryInterface(IID_IConnectionPointContainer,
                                                 reinterpret_cast<void**>(container.Out()))
                        : E_POINTER;
    Ref<IConnectionPoint> point;
    if (SUCCEEDED(hr)) hr = container->FindConnectionPoint(kDiidCommandBarEvents, point.Out());
    Ref<ClickSink> sink = Ref<ClickSink>::Adopt(new ClickSink(*this, std::move(handler)));
    DWORD cookie = 0;
    if (SUCCEEDED(hr)) hr = point->Advise(sink.get(), &cookie);
    if (shared_.client.Logging()) Log("IDE click events Advise -> " + HresultText(hr));
    if (FAILED(hr)) {
      sink->Detach();
      throw host::IdeError(
          host::kErrNotSupported,
          "The button's click events could not be connected (" + HresultText(hr) + ").", "Kestrix");
    }
    events_ = std::move(source);
    point_ = std::move(point);
    cookie_ = cookie;
    sink_ = std::move(sink);
  }

  IDispatch* Object() const {
    if (!object_) Gone("toolbar button");
    return object_.get();
  }

 private:
  void PutText(const Member& member, const std::string& text) {
    Variant value = Variant::Text(text);
    shared_.client.Put(Object(), member, value.get());
  }

  Shared& shared_;
  Ref<IDispatch> object_;
  Ref<IDispatch> events_;  // the event source must live as long as the connection
  Ref<IConnectionPoint> point_;
  DWORD cookie_ = 0;
  Ref<ClickSink> sink_;
};

class BridgeBar final : public host::CommandBar {
 public:
  BridgeBar(Shared& shared, Ref<IDispatch> object, std::function<void(BridgeBar&)> on_delete)
      : shared_(shared), object_(std::move(object)), on_delete_(std::move(on_delete)) {}

  void Retire() {
    for (auto& button : buttons_)
      button->Retire();
    object_.Reset();
    controls_.Reset();
  }

  std::string Name() const override { return shared_.client.GetText(Object(), m::kBarName); }
  host::CommandBarButton& AddButton() override {
    if (!controls_) controls_ = shared_.client.GetDispatch(Object(), m::kBarControls);
    if (!controls_) {
      throw host::IdeError(host::kErrNotSupported, "CommandBar.Controls answered Nothing.",
                           "Kestrix");
    }
    Variant type = Variant::Long(kControlButton), result;
    shared_.client.Call(controls_.get(), m::kControlsAdd, kMethod, {type.get()}, result.get());
    Ref<IDispatch> button = DispatchClient::ResultObject(m::kControlsAdd, result.get());
    if (!button) {
      throw host::IdeError(host::kErrNotSupported, "CommandBarControls.Add answered Nothing.",
                           "Kestrix");
    }
    buttons_.push_back(std::make_unique<BridgeButton>(shared_, std::move(button)));
    return *buttons_.back();
  }
  void SetVisible(bool visible) override {
    Variant value = Variant::Bool(visible);
    shared_.client.Put(Object(), m::kBarVisible, value.get());
  }
  bool Visible() const override { return shared_.client.GetBool(Object(), m::kBarVisible); }
  void Delete() override {
    shared_.client.Call(Object(), m::kBarDelete, kMethod, {}, nullptr);
    Retire();
    on_delete_(*this);
  }

 private:
  IDispatch* Object() const {
    if (!object_) Gone("toolbar");
    return object_.get();
  }

  Shared& shared_;
  Ref<IDispatch> object_;
  Ref<IDispatch> controls_;
  std::function<void(BridgeBar&)> on_delete_;
  std::vector<std::unique_ptr<BridgeButton>> buttons_;
};

class BridgeCommandBars final : public host::CommandBars {
 public:
  explicit BridgeCommandBars(Shared& shared) : shared_(shared) {}
  ~BridgeCommandBars() override {
    for (auto& [key, bar] : live_)
      bar->Retire();
  }

  host::CommandBar* Add(const std::string& name, host::BarPosition position, bool menu_bar,
                        bool temporary) override {
    Variant bar_name = Variant::Text(name), where = Variant::Long(static_cast<int32_t>(position)),
            menu = Variant::Bool(menu_bar), passing = Variant::Bool(temporary), result;
    shared_.client.Call(Object(), m::kBarsAdd, kMethod,
                        {bar_name.get(), where.get(), menu.get(), passing.get()}, result.get());
    Ref<IDispatch> bar = DispatchClient::ResultObject(m::kBarsAdd, result.get());
    if (!bar) return nullptr;
    return &Wrap(std::move(bar));
  }
  int32_t Count() const override { return shared_.client.GetLong(Object(), m::kBarsCount); }
  host::CommandBar* Find(const std::string& name) override {
    Variant bar_name = Variant::Text(name), result;
    try {
      shared_.client.Call(Object(), m::kBarsItem, kGetWithArguments, {bar_name.get()},
                          result.get());
    } catch (const host::IdeError&) {
      return nullptr;  // the command bars raise an error for a name they do not have
    }
    Ref<IDispatch> bar = DispatchClient::ResultObject(m::kBarsItem, result.get());
    if (!bar) return nullptr;
    return &Wrap(std::move(bar));
  }

 private:
  IDispatch* Object() const {
    if (!bars_) bars_ = shared_.client.GetDispatch(shared_.vbe.get(), m::kCommandBars);
    if (!bars_) {
      throw host::IdeError(host::kErrNotSupported, "VBE.CommandBars answered Nothing.", "Kestrix");
    }
    return bars_.get();
  }
  BridgeBar& Wrap(Ref<IDispatch> bar) {
    Ref<IUnknown> identity = Identity(bar.get());
    auto found = live_.find(identity.get());
    if (identity && found != live_.end()) return *found->second;
    IUnknown* key = identity.get();
    auto wrapper = std::make_unique<BridgeBar>(shared_, std::move(bar), [this](BridgeBar& gone) {
      for (auto it = live_.begin(); it != live_.end(); ++it) {
        if (it->second.get() == &gone) {
          retired_.push_back(std::move(it->second));
          identities_.erase(it->first);
          live_.erase(it);
          break;
        }
      }
    });
    BridgeBar& made = *wrapper;
    if (key == nullptr) {
      retired_.push_back(std::move(wrapper));  // cannot be found again, but stays valid
    } else {
      identities_.emplace(key, std::move(identity));
      live_.emplace(key, std::move(wrapper));
    }
    return made;
  }

  Shared& shared_;
  mutable Ref<IDispatch> bars_;
  std::map<IUnknown*, Ref<IUnknown>> identities_;
  std::map<IUnknown*, std::unique_ptr<BridgeBar>> live_;
  std::vector<std::unique_ptr<BridgeBar>> retired_;
};

class BridgeIde final : public host::Ide {
 public:
  explicit BridgeIde(IDispatch* vbe)
      : shared_(std::make_unique<Shared>(vbe)), projects_(*shared_), bars_(*shared_) {
    if (shared_->client.Logging()) Log("IDE bridge created");
  }
  ~BridgeIde() override {
    if (shared_->client.Logging()) Log("IDE bridge destroyed");
  }

  std::string FullName() const override {
    return shared_->client.GetText(shared_->vbe.get(), m::kFullName);
  }
  host::Projects& VBProjects() override { return projects_; }
  host::Project* ActiveVBProject() override {
    Ref<IDispatch> project = shared_->client.GetDispatch(shared_->vbe.get(), m::kActiveVbProject);
    if (!project) return nullptr;
    return &shared_->ProjectFor(std::move(project));
  }
  host::CodePane& ActiveCodePane() override {
    Ref<IDispatch> pane = shared_->client.GetDispatch(shared_->vbe.get(), m::kActiveCodePane);
    if (!pane) throw host::IdeError(host::kErrNoActiveCodePane, "No code window is active", "IDE");
    Ref<IUnknown> identity = Identity(pane.get());
    auto found = panes_.find(identity.get());
    if (identity && found != panes_.end()) return *found->second.pane;
    IUnknown* key = identity.get();
    PaneEntry entry{std::move(identity),
                    std::make_unique<BridgeCodePane>(*shared_, std::move(pane))};
    host::CodePane& made = *entry.pane;
    if (key == nullptr) {
      loose_panes_.push_back(std::move(entry));
    } else {
      panes_.emplace(key, std::move(entry));
    }
    return made;
  }
  host::CommandBars& GetCommandBars() override { return bars_; }

 private:
  struct PaneEntry {
    Ref<IUnknown> identity;
    std::unique_ptr<BridgeCodePane> pane;
  };

  // Declared first, destroyed last: every wrapper below refers to it.
  std::unique_ptr<Shared> shared_;
  BridgeProjects projects_;
  BridgeCommandBars bars_;
  std::map<IUnknown*, PaneEntry> panes_;
  std::vector<PaneEntry> loose_panes_;
};

}  // namespace

std::unique_ptr<host::Ide> MakeIdeBridge(IDispatch* vbe) {
  if (vbe == nullptr) {
    throw host::IdeError(host::kErrInvalidCall, "The IDE passed no object model.", "Kestrix");
  }
  return std::make_unique<BridgeIde>(vbe);
}

}  // namespace kestrix::com
