#include "com/test_host/vbe_server.h"

#include <algorithm>

#include "com/test_host/vbe_objects.h"
#include "platform/vbfiles/file_ide.h"

namespace kestrix::com::testing {
namespace {

constexpr char kSource[] = "Kestrix test host";

[[noreturn]] void Raise(int32_t number, const std::string& description) {
  throw host::IdeError(number, description, kSource);
}

bool SameText(std::string_view a, std::string_view b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

host::ProcKind Kind(const Arguments& arguments, size_t index) {
  int32_t kind = arguments.Long(index);
  if (kind < 0 || kind > 3) Raise(host::kErrInvalidCall, "Invalid procedure kind.");
  return static_cast<host::ProcKind>(kind);
}

vbfiles::FileIde& FileBacked(host::Ide& ide) {
  auto* file_ide = dynamic_cast<vbfiles::FileIde*>(&ide);
  if (file_ide == nullptr) Raise(host::kErrNotSupported, "This IDE cannot change its selection.");
  return *file_ide;
}

using Context = std::shared_ptr<VbeContext>;
Ref<IDispatch> WrapProject(const Context& context, host::Project* project);
Ref<IDispatch> WrapComponents(const Context& context, host::Project& project);
Ref<IDispatch> WrapComponent(const Context& context, host::Component* component);
Ref<IDispatch> WrapModule(const Context& context, host::CodeModule* module);
Ref<IDispatch> WrapPane(const Context& context, host::CodeModule* module);

class CodePaneObject final : public VbeObject {
 public:
  static constexpr wchar_t kClass[] = L"CodePane";
  CodePaneObject(Context context, const void* key, host::CodeModule& module)
      : VbeObject(kClass, std::move(context), key), module_(module) {
    Property(L"CodeModule", 0, 0,
             [this](Arguments&, VARIANT* r) { ReturnObject(r, WrapModule(context_, &module_)); });
  }
  host::CodeModule& Module() const { return module_; }

 private:
  host::CodeModule& module_;
};

class CodeModuleObject final : public VbeObject {
 public:
  static constexpr wchar_t kClass[] = L"CodeModule";
  CodeModuleObject(Context context, const void* key, host::CodeModule& module)
      : VbeObject(kClass, std::move(context), key), m_(module) {
    Property(L"Parent", 0, 0, [this](Arguments&, VARIANT* r) {
      ReturnObject(r, WrapComponent(context_, &m_.Parent()));
    });
    Property(L"CodePane", 0, 0,
             [this](Arguments&, VARIANT* r) { ReturnObject(r, WrapPane(context_, &m_)); });
    Property(L"CountOfLines", 0, 0,
             [this](Arguments&, VARIANT* r) { ReturnLong(r, m_.CountOfLines()); });
    Property(L"CountOfDeclarationLines", 0, 0,
             [this](Arguments&, VARIANT* r) { ReturnLong(r, m_.CountOfDeclarationLines()); });
    Property(L"Lines", 2, 2,
             [this](Arguments& a, VARIANT* r) { ReturnText(r, m_.Lines(a.Long(0), a.Long(1))); });
    Method(L"InsertLines", 2, 2,
           [this](Arguments& a, VARIANT*) { m_.InsertLines(a.Long(0), a.Text(1)); });
    Method(L"DeleteLines", 1, 2,
           [this](Arguments& a, VARIANT*) { m_.DeleteLines(a.Long(0), a.Long(1, 1)); });
    Method(L"ReplaceLine", 2, 2,
           [this](Arguments& a, VARIANT*) { m_.ReplaceLine(a.Long(0), a.Text(1)); });
    Property(L"ProcOfLine", 2, 2, [this](Arguments& a, VARIANT* r) {
      a.RefLong(1);  // a kind passed by value is refused before anything is done
      host::ProcKind kind = host::ProcKind::kProc;
      std::string name = m_.ProcOfLine(a.Long(0), kind);
      a.SetRefLong(1, static_cast<int32_t>(kind));
      ReturnText(r, name);
    });
    Property(L"ProcStartLine", 2, 2, [this](Arguments& a, VARIANT* r) {
      ReturnLong(r, m_.ProcStartLine(a.Text(0), Kind(a, 1)));
    });
    Property(L"ProcCountLines", 2, 2, [this](Arguments& a, VARIANT* r) {
      ReturnLong(r, m_.ProcCountLines(a.Text(0), Kind(a, 1)));
    });
    Property(L"ProcBodyLine", 2, 2, [this](Arguments& a, VARIANT* r) {
      ReturnLong(r, m_.ProcBodyLine(a.Text(0), Kind(a, 1)));
    });
    Method(L"Find", 5, 8, [this](Arguments& a, VARIANT* r) { Find(a, r); });
  }
  host::CodeModule& Module() const { return m_; }

 private:
  // Find(Target, StartLine, StartColumn, EndLine, EndColumn, [WholeWord], [MatchCase],
  // [PatternSearch]): the four positions ByRef, overwritten with the match when found.
  void Find(Arguments& a, VARIANT* result) {
    int32_t start_line = a.RefLong(1);
    int32_t start_column = a.RefLong(2);
    int32_t end_line = a.RefLong(3);
    int32_t end_column = a.RefLong(4);
    bool found = m_.Find(a.Text(0), start_line, start_column, end_line, end_column,
                         a.Bool(5, false), a.Bool(6, false), a.Bool(7, false));
    if (found) {
      a.SetRefLong(1, start_line);
      a.SetRefLong(2, start_column);
      a.SetRefLong(3, end_line);
      a.SetRefLong(4, end_column);
    }
    ReturnBool(result, found);
  }

  host::CodeModule& m_;
};

class ComponentObject final : public VbeObject {
 public:
  static constexpr wchar_t kClass[] = L"VBComponent";
  ComponentObject(Context context, const void* key, host::Component& component)
      : VbeObject(kClass, std::move(context), key), c_(component) {
    Property(
        L"Name", 0, 0, [this](Arguments&, VARIANT* r) { ReturnText(r, c_.Name()); },
        [](Arguments&) { Raise(host::kErrNotSupported, "Components cannot be renamed here."); });
    Property(L"Type", 0, 0,
             [this](Arguments&, VARIANT* r) { ReturnLong(r, static_cast<int32_t>(c_.Type())); });
    Property(L"FileNames", 1, 1,
             [this](Arguments& a, VARIANT* r) { ReturnText(r, c_.FileNames(a.Integer(0))); });
    Property(L"FileCount", 0, 0,
             [this](Arguments&, VARIANT* r) { ReturnInteger(r, c_.FileCount()); });
    Property(
        L"IsDirty", 0, 0, [this](Arguments&, VARIANT* r) { ReturnBool(r, c_.IsDirty()); },
        [](Arguments&) { Raise(host::kErrNotSupported, "IsDirty cannot be set here."); });
    Method(L"SaveAs", 1, 1, [this](Arguments& a, VARIANT*) { c_.SaveAs(a.Text(0)); });
    Property(L"CodeModule", 0, 0, [this](Arguments&, VARIANT* r) {
      ReturnObject(r, WrapModule(context_, c_.GetCodeModule()));
    });
    Property(L"Collection", 0, 0, [this](Arguments&, VARIANT* r) {
      ReturnObject(r, WrapComponents(context_, c_.Collection()));
    });
  }
  host::Component& Component() const { return c_; }

 private:
  host::Component& c_;
};

// The objects standing for a component and its code, marked unusable once it is removed.
void MarkRemoved(VbeContext& context, host::Component& component) {
  host::CodeModule* module = component.GetCodeModule();
  const std::pair<const void*, const wchar_t*> objects[] = {{&component, ComponentObject::kClass},
                                                            {module, CodeModuleObject::kClass},
                                                            {module, CodePaneObject::kClass}};
  for (const auto& [key, class_name] : objects) {
    if (key == nullptr) continue;
    if (auto* object = dynamic_cast<VbeObject*>(context.Existing(key, class_name))) {
      object->MarkGone();
      context.Unregister(key, class_name);
    }
  }
}

class ComponentsObject final : public VbeObject {
 public:
  static constexpr wchar_t kClass[] = L"VBComponents";
  ComponentsObject(Context context, const void* key, host::Project& project)
      : VbeObject(kClass, std::move(context), key), project_(project) {
    Property(L"Count", 0, 0,
             [this](Arguments&, VARIANT* r) { ReturnLong(r, Components().Count()); });
    Method(L"Item", 1, 1, [this](Arguments& a, VARIANT* r) {
      ReturnObject(r, WrapComponent(context_, &Item(a)));
    });
    Default(L"Item");
    Property(L"Parent", 0, 0,
             [this](Arguments&, VARIANT* r) { ReturnObject(r, WrapProject(context_, &project_)); });
    Method(L"Remove", 1, 1, [this](Arguments& a, VARIANT*) { Remove(a); });
    Method(L"Import", 1, 1, [this](Arguments& a, VARIANT* r) {
      ReturnObject(r, WrapComponent(context_, &Components().Import(a.Text(0))));
    });
    // AddFile(PathName, [IsDocFile]): the component keeps referring to its file.
    Method(L"AddFile", 1, 2, [this](Arguments& a, VARIANT* r) {
      std::string path = a.Text(0);
      if (a.Bool(1, false)) Raise(host::kErrNotSupported, "Related documents are not kept here.");
      ReturnObject(r, WrapComponent(context_, &Components().AddFromFile(path)));
    });
  }

 private:
  host::Components& Components() const { return project_.VBComponents(); }

  host::Component& Item(Arguments& a) const {
    if (!a.IsText(0)) return Components().Item(a.Long(0));
    std::string name = a.Text(0);
    for (int32_t i = 1; i <= Components().Count(); ++i) {
      if (SameText(Components().Item(i).Name(), name)) return Components().Item(i);
    }
    Raise(host::kErrSubscriptOutOfRange, "Subscript out of range: no component " + name);
  }

  void Remove(Arguments& a) {
    Ref<IDispatch> object = a.Object(0);
    auto* component = Unwrap<ComponentObject>(object.get());
    if (component == nullptr) throw ArgumentError{DISP_E_TYPEMISMATCH, 0};
    host::Component& item = component->Component();
    if (&item.Collection() != &project_) {
      Raise(host::kErrInvalidCall, "The component belongs to another project.");
    }
    MarkRemoved(*context_, item);
    Components().Remove(item);
  }

  host::Project& project_;
};

class ProjectObject final : public VbeObject {
 public:
  static constexpr wchar_t kClass[] = L"VBProject";
  ProjectObject(Context context, const void* key, host::Project& project)
      : VbeObject(kClass, std::move(context), key), p_(project) {
    Property(
        L"Name", 0, 0, [this](Arguments&, VARIANT* r) { ReturnText(r, p_.Name()); },
        [](Arguments&) { Raise(host::kErrNotSupported, "Projects cannot be renamed here."); });
    Property(L"FileName", 0, 0, [this](Arguments&, VARIANT* r) { ReturnText(r, p_.FileName()); });
    Property(
        L"BuildFileName", 0, 0,
        [this](Arguments&, VARIANT* r) { ReturnText(r, p_.BuildFileName()); },
        [this](Arguments& a) { p_.SetBuildFileName(a.Text(0)); });
    Property(
        L"IsDirty", 0, 0, [this](Arguments&, VARIANT* r) { ReturnBool(r, p_.IsDirty()); },
        [](Arguments&) { Raise(host::kErrNotSupported, "IsDirty cannot be set here."); });
    Property(L"VBComponents", 0, 0,
             [this](Arguments&, VARIANT* r) { ReturnObject(r, WrapComponents(context_, p_)); });
    Method(L"SaveAs", 1, 1, [this](Arguments& a, VARIANT*) { p_.SaveAs(a.Text(0)); });
    Method(L"MakeCompiledFile", 0, 0, [this](Arguments&, VARIANT*) { p_.MakeCompiledFile(); });
  }
  host::Project& Project() const { return p_; }

 private:
  host::Project& p_;
};

class ProjectsObject final : public VbeObject {
 public:
  static constexpr wchar_t kClass[] = L"VBProjects";
  ProjectsObject(Context context, const void* key)
      : VbeObject(kClass, std::move(context), key), projects_(context_->ide.VBProjects()) {
    Property(L"Count", 0, 0, [this](Arguments&, VARIANT* r) { ReturnLong(r, projects_.Count()); });
    Method(L"Item", 1, 1,
           [this](Arguments& a, VARIANT* r) { ReturnObject(r, WrapProject(context_, &Item(a))); });
    Default(L"Item");
  }

 private:
  host::Project& Item(Arguments& a) const {
    if (!a.IsText(0)) return projects_.Item(a.Long(0));
    std::string name = a.Text(0);
    for (int32_t i = 1; i <= projects_.Count(); ++i) {
      if (SameText(projects_.Item(i).Name(), name)) return projects_.Item(i);
    }
    Raise(host::kErrSubscriptOutOfRange, "Subscript out of range: no project " + name);
  }

  host::Projects& projects_;
};

class VbeRoot final : public VbeObject {
 public:
  static constexpr wchar_t kClass[] = L"VBE";
  VbeRoot(Context context, const void* key) : VbeObject(kClass, std::move(context), key) {
    host::Ide& ide = context_->ide;
    Property(L"FullName", 0, 0, [&ide](Arguments&, VARIANT* r) { ReturnText(r, ide.FullName()); });
    Property(L"Version", 0, 0, [](Arguments&, VARIANT* r) { ReturnText(r, "6.00"); });
    Property(L"VBProjects", 0, 0, [this](Arguments&, VARIANT* r) {
      ReturnObject(r, context_->Wrap<ProjectsObject>(context_, &context_->ide.VBProjects()));
    });
    Property(
        L"ActiveVBProject", 0, 0,
        [this, &ide](Arguments&, VARIANT* r) {
          ReturnObject(r, WrapProject(context_, ide.ActiveVBProject()));
        },
        [this, &ide](Arguments& a) {
          auto* project = Unwrap<ProjectObject>(a.Object(0).get());
          if (project == nullptr) throw ArgumentError{DISP_E_TYPEMISMATCH, 0};
          FileBacked(ide).SetActiveVBProject(&project->Project());
        });
    Property(
        L"ActiveCodePane", 0, 0, [this](Arguments&, VARIANT* r) { ActiveCodePane(r); },
        [this, &ide](Arguments& a) {
          Ref<IDispatch> object = a.Object(0);
          auto* pane = Unwrap<CodePaneObject>(object.get());
          if (object && pane == nullptr) throw ArgumentError{DISP_E_TYPEMISMATCH, 0};
          FileBacked(ide).SetActiveCodePane(pane != nullptr ? &pane->Module().Parent() : nullptr);
        });
    Property(L"CommandBars", 0, 0,
             [this](Arguments&, VARIANT* r) { ReturnObject(r, NewCommandBars(context_)); });
    Property(L"Events", 0, 0,
             [this](Arguments&, VARIANT* r) { ReturnObject(r, NewEvents(context_)); });
  }
  const Context& Shared() const { return context_; }

 private:
  // Nothing when no code window is active, as the IDE answers.
  void ActiveCodePane(VARIANT* result) {
    host::CodeModule* module = nullptr;
    try {
      module = &context_->ide.ActiveCodePane().GetCodeModule();
    } catch (const host::IdeError& error) {
      if (error.Number() != host::kErrNoActiveCodePane) throw;
    }
    ReturnObject(result, WrapPane(context_, module));
  }
};

// The IDE's record of one add-in.
class AddInObject final : public VbeObject {
 public:
  static constexpr wchar_t kClass[] = L"AddIn";
  AddInObject(Context context, const void* key, std::string prog_id)
      : VbeObject(kClass, std::move(context), key), prog_id_(std::move(prog_id)) {
    Property(L"ProgId", 0, 0, [this](Arguments&, VARIANT* r) { ReturnText(r, prog_id_); });
    Property(
        L"Description", 0, 0, [this](Arguments&, VARIANT* r) { ReturnText(r, description_); },
        [this](Arguments& a) { description_ = a.Text(0); });
    Property(
        L"Connect", 0, 0, [this](Arguments&, VARIANT* r) { ReturnBool(r, connected_); },
        [this](Arguments& a) { connected_ = a.Bool(0); });
    Property(
        L"Object", 0, 0, [this](Arguments&, VARIANT* r) { ReturnObject(r, object_); },
        [this](Arguments& a) { object_ = a.Object(0); });
  }

 private:
  std::string prog_id_;
  std::string description_;
  bool connected_ = true;
  Ref<IDispatch> object_;
};

Ref<IDispatch> WrapProject(const Context& context, host::Project* project) {
  return project == nullptr ? Ref<IDispatch>()
                            : context->Wrap<ProjectObject>(context, project, *project);
}
Ref<IDispatch> WrapComponents(const Context& context, host::Project& project) {
  return context->Wrap<ComponentsObject>(context, &project.VBComponents(), project);
}
Ref<IDispatch> WrapComponent(const Context& context, host::Component* component) {
  return component == nullptr ? Ref<IDispatch>()
                              : context->Wrap<ComponentObject>(context, component, *component);
}
Ref<IDispatch> WrapModule(const Context& context, host::CodeModule* module) {
  return module == nullptr ? Ref<IDispatch>()
                           : context->Wrap<CodeModuleObject>(context, module, *module);
}
Ref<IDispatch> WrapPane(const Context& context, host::CodeModule* module) {
  return module == nullptr ? Ref<IDispatch>()
                           : context->Wrap<CodePaneObject>(context, module, *module);
}

}  // namespace

// --- VbeContext ---

VbeContext::VbeContext(host::Ide& ide_in, VbeOptions options_in)
    : ide(ide_in), options(std::move(options_in)), fault_calls(options.faults.size(), 0) {}

void VbeContext::BeforeCall(std::wstring_view class_name, std::wstring_view member) {
  std::string name = NarrowAnsi(class_name.data(), class_name.size()) + "." +
                     NarrowAnsi(member.data(), member.size());
  auto counted = std::find_if(calls.begin(), calls.end(),
                              [&](const auto& call) { return call.first == name; });
  if (counted == calls.end()) {
    calls.emplace_back(name, 1);
  } else {
    ++counted->second;
  }
  std::string bare = NarrowAnsi(member.data(), member.size());
  for (size_t i = 0; i < options.faults.size(); ++i) {
    const VbeFault& fault = options.faults[i];
    bool qualified = fault.member.find('.') != std::string::npos;
    if (!SameText(fault.member, qualified ? name : bare)) continue;
    if (++fault_calls[i] <= fault.after) continue;
    ++faults_raised;
    Raise(fault.number, fault.description);
  }
}

void VbeObject::CheckUsable() const {
  if (gone_) Raise(host::kErrInvalidCall, "The item this object stands for was removed.");
}

// --- The host's side ---

IDispatch* NewVbe(host::Ide& ide, VbeOptions options) {
  auto context = std::make_shared<VbeContext>(ide, std::move(options));
  AddBuiltInBars(*context);
  // The root is the one object not registered under an item of the IDE.
  return context->Wrap<VbeRoot>(context, context.get()).release();
}

std::shared_ptr<VbeContext> ContextOf(IDispatch* vbe) {
  auto* root = Unwrap<VbeRoot>(vbe);
  return root == nullptr ? nullptr : root->Shared();
}

IDispatch* NewAddIn(IDispatch* vbe, std::string prog_id) {
  auto context = ContextOf(vbe);
  if (!context) return nullptr;
  // Each AddIn object is its own item, under a number of its own.
  static uintptr_t made = 0;
  return new AddInObject(context, reinterpret_cast<const void*>(++made), std::move(prog_id));
}

std::vector<std::pair<std::string, int32_t>> CallCounts(IDispatch* vbe) {
  auto context = ContextOf(vbe);
  return context ? context->calls : std::vector<std::pair<std::string, int32_t>>{};
}

int32_t FaultsRaised(IDispatch* vbe) {
  auto context = ContextOf(vbe);
  return context ? context->faults_raised : 0;
}

}  // namespace kestrix::com::testing
