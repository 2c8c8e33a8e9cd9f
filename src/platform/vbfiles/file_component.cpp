#include "platform/vbfiles/file_component.h"

#include <algorithm>

#include "basic/free_list.h"
#include "host/component_kinds.h"
#include "platform/system/file_io.h"
#include "platform/vbfiles/component_file.h"
#include "platform/vbfiles/paths.h"
#include "platform/vbfiles/text_io.h"

namespace kestrix::vbfiles {
namespace {

using host::ComponentType;
using host::IdeError;

// Extension of the binary companion that a designer file of this extension keeps beside it.
std::string CompanionExtension(std::string_view extension) {
  const host::ComponentKind* kind = host::KindForExtension(extension);
  return kind != nullptr ? std::string(kind->companion) : "";
}

bool KindHasCode(ComponentType type) {
  return type != ComponentType::kResFile && type != ComponentType::kRelatedDocument;
}

bool NeedsDesigner(ComponentType type) {
  return type != ComponentType::kStdModule && type != ComponentType::kClassModule;
}

void RefuseReadOnly(const std::string& path) {
  if (system::IsReadOnly(path)) {
    throw IdeError(host::kErrPermissionDenied, "Cannot write " + path + ": the file is read-only",
                   "Component");
  }
}

// A component without code is only copied when saved elsewhere; it must be a regular file that
// can be opened, or the copy would wait on a FIFO or fail half-way through a build.
void RefuseUnreadable(const std::string& path) {
  std::string reason;
  system::LoadStatus status = system::CheckReadable(path, reason);
  if (status == system::LoadStatus::kOk) return;
  if (status == system::LoadStatus::kMissing) {
    throw IdeError(host::kErrFileNotFound, "File not found: " + path, "vbfiles");
  }
  throw IdeError(host::kErrPathFileAccess, "Cannot read " + path + ": " + reason, "vbfiles");
}

// The file buffers of copies only read, handed from one load to the next: a string read into
// again is filled with zeros only where it grows (system::ReadRegularFile), and is no fresh
// memory. Never destroyed, as components may outlive every static object.
basic::FreeList<std::string>& Buffers() {
  static auto* buffers = new basic::FreeList<std::string>;
  return *buffers;
}

}  // namespace

FileComponent::CodeOnly::CodeOnly() : bytes(Buffers().Take()) {}

FileComponent::CodeOnly::~CodeOnly() {
  Buffers().Give(std::move(bytes));
}

ComponentType FileComponent::TypeForExtension(std::string_view extension) {
  const host::ComponentKind* kind = host::KindForExtension(extension);
  return kind != nullptr ? kind->type : ComponentType::kRelatedDocument;
}

std::unique_ptr<FileComponent> FileComponent::Load(host::Project& project, ComponentType type,
                                                   const std::string& path,
                                                   std::string_view listed_name, LoadDepth depth) {
  std::unique_ptr<FileComponent> c(new FileComponent(project, type, path));
  c->name_ = listed_name.empty() ? Stem(path) : std::string(listed_name);
  if (!KindHasCode(type)) {
    RefuseUnreadable(path);
    return c;
  }
  // A copy only read keeps the file's bytes and views its lines in them: read into their
  // final place, so that the views never dangle. A module copies what it keeps: its bytes go
  // once the module is made. (Not a buffer kept per thread: a thread_local with a destructor
  // crashes at thread exit in the 32-bit Windows build.)
  std::unique_ptr<CodeOnly> code_only =
      depth == LoadDepth::kCodeOnly ? std::make_unique<CodeOnly>() : nullptr;
  std::string buffer;
  std::string& bytes = code_only ? code_only->bytes : buffer;
  ReadFileBytes(path, bytes);
  ComponentFile file = ParseComponentFile(bytes, path, NeedsDesigner(type),
                                          code_only ? CodeInto::kViews : CodeInto::kStore);
  if (!file.vb_name.empty()) c->name_ = file.vb_name;
  if (type == ComponentType::kVBForm && file.mdi_form) c->type_ = ComponentType::kVBMDIForm;
  c->bom_ = file.bom;
  c->header_ = std::move(file.header);
  c->attributes_ = std::move(file.attributes);
  if (code_only) {
    code_only->lines = std::move(file.code_views);
    code_only->attrs = std::move(file.view_attrs);
    code_only->attr_blocks = std::move(file.attr_blocks);
    c->code_only_ = std::move(code_only);
    return c;
  }
  // Only edits of the module ask whether the file is read-only: a copy that is only read, or
  // a file without code, is not looked at for it.
  c->read_only_ = system::IsReadOnly(path);
  c->module_ = std::make_unique<FileCodeModule>(*c, std::move(file.code),
                                                std::move(file.attr_blocks), file.final_newline);
  FileComponent* self = c.get();
  c->module_->SetEditHook([self] {
    if (self->read_only_) {
      throw IdeError(host::kErrPermissionDenied,
                     self->name_ + " cannot be changed: its file " + self->path_ + " is read-only",
                     "CodeModule");
    }
    self->dirty_ = true;
  });
  std::string companion_ext = CompanionExtension(Extension(path));
  if (!companion_ext.empty()) {
    std::string candidate = DirName(path) + "/" + Stem(path) + companion_ext;
    if (auto found = ResolveCaseInsensitive(candidate)) c->companion_ = *found;
  }
  return c;
}

int32_t FileComponent::FileLine(int32_t code_line) const {
  auto above = static_cast<int32_t>(header_.size() + attributes_.size());
  if (module_) return above + code_line + module_->AttributeLinesBefore(code_line);
  int32_t attributes = 0;
  if (code_only_) {
    // The attributes of the code lines above it.
    auto end = static_cast<uint32_t>(std::max(code_line - 1, 0));
    for (const ViewAttrs& at : code_only_->attrs) {
      if (at.line >= end) break;
      attributes += static_cast<int32_t>(code_only_->attr_blocks[at.block].size());
    }
  }
  return above + code_line + attributes;
}

void FileComponent::ReleaseCode() {
  if (!HasCode()) return;
  module_.reset();
  code_only_.reset();
  // A form's header holds every control's lines: freed here, on the thread that lets the
  // code go, rather than when the program ends.
  std::vector<std::string>().swap(header_);
  std::vector<std::string>().swap(attributes_);
  code_released_ = true;
}

std::vector<std::string_view> FileComponent::CodeLines() const {
  std::vector<std::string_view> lines;
  if (code_only_) lines = code_only_->lines;
  if (module_) module_->AppendLineViews(lines);
  return lines;
}

void FileComponent::Detach() {
  path_.clear();
  origin_.clear();
  read_only_ = false;
  dirty_ = true;
}

std::string FileComponent::FileNames(int16_t index) const {
  if (index != 1) {
    throw IdeError(host::kErrSubscriptOutOfRange,
                   "File number " + std::to_string(index) + " does not exist", "Component");
  }
  return path_;
}

std::string FileComponent::Serialize(const std::vector<std::string>& header) const {
  std::string out(bom_ ? kUtf8Bom : "");
  for (const auto& line : header)
    AppendLine(out, line);
  for (const auto& line : attributes_)
    AppendLine(out, line);
  module_->AppendTo(out);
  if (!module_->FinalNewline() && out.size() >= 2 + (bom_ ? kUtf8Bom.size() : 0)) {
    out.resize(out.size() - 2);
  }
  return out;
}

// Where the companion goes when the component is saved as `path`: beside it, under the
// component's new name, or under its own name when the name does not change.
std::string FileComponent::CompanionTarget(const std::string& path) const {
  std::string old_name = FileNamePart(companion_);
  if (EqualsIgnoreCase(Stem(companion_), Stem(path))) return DirName(path) + "/" + old_name;
  return DirName(path) + "/" + Stem(path) + Extension(old_name);
}

void FileComponent::SaveAs(const std::string& path) {
  if (code_released_) {
    throw IdeError(host::kErrInvalidCall, "Cannot save " + name_ + ": its code was let go",
                   "Component");
  }
  std::string target = AbsolutePath(path);
  std::string companion_target = companion_.empty() ? "" : CompanionTarget(target);
  bool copy_companion = !companion_target.empty() && companion_target != companion_;
  // Both files are checked before either is written: a save refused by a read-only form must
  // not have replaced the companion that form points into.
  if (module_ || target != source_) RefuseReadOnly(target);
  if (copy_companion) RefuseReadOnly(companion_target);
  if (copy_companion) CopyFileAtomic(companion_, companion_target);
  std::vector<std::string> header = header_;
  if (module_) {
    if (!companion_.empty()) header = RenameCompanion(header_, Stem(companion_), Stem(target));
    WriteFileAtomic(target, Serialize(header));
  } else if (target != source_) {
    CopyFileAtomic(source_, target);
  }
  header_ = std::move(header);
  path_ = target;
  source_ = target;
  if (!companion_.empty()) companion_ = companion_target;
  read_only_ = false;
  dirty_ = false;
}

}  // namespace kestrix::vbfiles
