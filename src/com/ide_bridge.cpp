#include "com/ide_bridge.h"

namespace kestrix::com {
namespace {

[[noreturn]] void NotYet() {
  throw host::IdeError(host::kErrNotSupported, "The IDE's object model is not reached yet.",
                       "Kestrix");
}

class PendingIde final : public host::Ide {
 public:
  explicit PendingIde(IDispatch* vbe) : vbe_(vbe) {
    if (vbe_ != nullptr) vbe_->AddRef();
  }
  PendingIde(const PendingIde&) = delete;
  PendingIde& operator=(const PendingIde&) = delete;
  ~PendingIde() override {
    if (vbe_ != nullptr) vbe_->Release();
  }
  std::string FullName() const override { NotYet(); }
  host::Projects& VBProjects() override { NotYet(); }
  host::Project* ActiveVBProject() override { NotYet(); }
  host::CodePane& ActiveCodePane() override { NotYet(); }
  host::CommandBars& GetCommandBars() override { NotYet(); }

 private:
  IDispatch* vbe_;
};

}  // namespace

std::unique_ptr<host::Ide> MakeIdeBridge(IDispatch* vbe) {
  return std::make_unique<PendingIde>(vbe);
}

}  // namespace kestrix::com
