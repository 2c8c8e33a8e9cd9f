#pragma once
// The object model's classes as vbe_server.cpp (the IDE's projects and code) and
// vbe_command_bars.cpp (toolbars and their events) share them.
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "com/test_host/dispatch_object.h"
#include "com/test_host/vbe_server.h"

namespace kestrix::com::testing {

// A toolbar button as the host keeps it; the objects a client holds refer to it.
struct ButtonModel {
  ButtonState state;
  bool deleted = false;
  bool enabled = true;
  bool visible = true;
  bool begin_group = false;
  int32_t id = 1;
  Ref<IDispatch> picture;
  // Advised event sinks by cookie, each queried for the events' dispinterface.
  std::vector<std::pair<DWORD, Ref<IDispatch>>> sinks;
  struct BarModel* bar = nullptr;  // null once deleted
};

struct BarModel {
  std::string name;
  int32_t position = 4;
  bool visible = false;
  bool built_in = false;
  bool deleted = false;
  std::vector<std::shared_ptr<ButtonModel>> controls;
};

// What every object of one root shares: the IDE, the options, the toolbars, the objects
// handed out (one per item, so that a client sees the same object twice and a removed item
// can be marked gone), and the record of calls.
class VbeContext final : public CallHook {
 public:
  VbeContext(host::Ide& ide, VbeOptions options);
  void BeforeCall(std::wstring_view class_name, std::wstring_view member) override;

  host::Ide& ide;
  VbeOptions options;
  std::vector<std::shared_ptr<BarModel>> bars;
  std::vector<std::shared_ptr<ButtonModel>> all_buttons;  // deleted ones too
  DWORD next_cookie = 1;
  std::vector<std::pair<std::string, int32_t>> calls;
  std::vector<int32_t> fault_calls;  // per fault
  int32_t faults_raised = 0;
  // Keys for the objects that stand for no item of the IDE.
  const char command_bars_key = 0;
  const char events_key = 0;

  // The object standing for `key` as a W, made when there is none yet.
  template <class W, class... Extra>
  Ref<IDispatch> Wrap(const std::shared_ptr<VbeContext>& self, const void* key, Extra&&... extra) {
    if (key == nullptr) return {};
    auto found = objects_.find({key, W::kClass});
    if (found != objects_.end()) return Ref<IDispatch>::Borrow(found->second);
    return Ref<IDispatch>(new W(self, key, std::forward<Extra>(extra)...));
  }
  void Register(const void* key, const wchar_t* class_name, DispatchObject* object) {
    objects_[{key, class_name}] = object;
  }
  void Unregister(const void* key, const wchar_t* class_name) { objects_.erase({key, class_name}); }
  DispatchObject* Existing(const void* key, const wchar_t* class_name) const {
    auto found = objects_.find({key, class_name});
    return found == objects_.end() ? nullptr : found->second;
  }

 private:
  std::map<std::pair<const void*, std::wstring>, DispatchObject*> objects_;
};

// An object of the model: registered with its context under the item it stands for, and
// unusable (every call fails) once that item is removed.
class VbeObject : public DispatchObject {
 public:
  VbeObject(const wchar_t* class_name, std::shared_ptr<VbeContext> context, const void* key)
      : DispatchObject(class_name, context),
        context_(std::move(context)),
        key_(key),
        class_name_(class_name) {
    context_->Register(key_, class_name_, this);
  }
  void MarkGone() { gone_ = true; }
  const void* Key() const { return key_; }

 protected:
  ~VbeObject() override { context_->Unregister(key_, class_name_); }
  void CheckUsable() const override;

  std::shared_ptr<VbeContext> context_;

 private:
  const void* key_;
  const wchar_t* class_name_;
  bool gone_ = false;
};

// The context of a root NewVbe made; null for any other object.
std::shared_ptr<VbeContext> ContextOf(IDispatch* vbe);

// The toolbars and the events (vbe_command_bars.cpp).
Ref<IDispatch> NewCommandBars(const std::shared_ptr<VbeContext>& context);
Ref<IDispatch> NewEvents(const std::shared_ptr<VbeContext>& context);
void AddBuiltInBars(VbeContext& context);

}  // namespace kestrix::com::testing
