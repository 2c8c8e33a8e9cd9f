#pragma once

// One component of a file-backed project: its file (or none yet, for an imported copy), its
// header and attributes, its code module, and its binary companion (.frx, .ctx, …).

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/ide.h"
#include "platform/vbfiles/component_file.h"
#include "platform/vbfiles/file_code_module.h"

namespace kestrix::vbfiles {

// How much of a component a load builds: everything the IDE offers, or, for a copy that is
// only read and checked (a build's saved copy), its code lines without a code module.
enum class LoadDepth { kFull, kCodeOnly };

class FileComponent final : public host::Component {
 public:
  // Loads the component stored at `path` (native, existing). `listed_name` is the name the
  // project file gives it ("" when none); the file's own VB_Name wins. Throws host::IdeError
  // naming the file and line when it cannot be read or its header is cut short.
  // Loaded kCodeOnly, the component has no code module (GetCodeModule() is null; HasCode()
  // and CodeLines() give its code) and is never saved.
  static std::unique_ptr<FileComponent> Load(host::Project& project, host::ComponentType type,
                                             const std::string& path, std::string_view listed_name,
                                             LoadDepth depth = LoadDepth::kFull);

  // The component type a file of this extension holds when added on its own.
  static host::ComponentType TypeForExtension(std::string_view extension);

  // Forgets the file: the component becomes a copy that is saved nowhere yet.
  void Detach();

  // The file the component was loaded from, whatever it has been saved as since; "" for an
  // imported copy.
  const std::string& Origin() const { return origin_; }

  // The line of the component's file that shows code line `code_line`, while the component
  // holds its code.
  int32_t FileLine(int32_t code_line) const;

  // Whether the component holds code (a module, a class, a form; not a resource file).
  bool HasCode() const { return module_ != nullptr || code_only_ != nullptr || code_released_; }
  // Its code lines, as views into the component's code, valid while the component is left as
  // it is.
  std::vector<std::string_view> CodeLines() const;
  // The same as CodeLines, without a copy, for a component loaded kCodeOnly whose code is not
  // released; empty for any other.
  std::span<const std::string_view> CodeOnlyLines() const {
    return code_only_ ? std::span<const std::string_view>(code_only_->lines)
                      : std::span<const std::string_view>();
  }
  // Frees the code, with the header and attributes above it (a component loaded kCodeOnly
  // once it has been read, or any component of a project nobody reads again): HasCode()
  // stays true, GetCodeModule() turns null, and the component can no longer be saved.
  void ReleaseCode();

  // True when its code module can be changed without a question: loaded, file not read-only.
  // Such a module touches nothing of the project but the component's changed mark, so that
  // several can be worked on at once, each on its own thread.
  bool WorksAlone() const { return module_ != nullptr && !read_only_; }

  // The bytes SaveAs would write for a component with code, as it stands now.
  std::string Bytes() const { return module_ ? Serialize(header_) : std::string(); }

  // host::Component
  host::Project& Collection() override { return project_; }
  std::string Name() const override { return name_; }
  host::ComponentType Type() const override { return type_; }
  std::string FileNames(int16_t index) const override;
  int16_t FileCount() const override { return 1; }
  bool IsDirty() const override { return dirty_; }
  host::CodeModule* GetCodeModule() override { return module_.get(); }
  void SaveAs(const std::string& path) override;

 private:
  FileComponent(host::Project& project, host::ComponentType type, std::string path)
      : project_(project), type_(type), path_(std::move(path)), source_(path_), origin_(path_) {}

  std::string Serialize(const std::vector<std::string>& header) const;
  std::string CompanionTarget(const std::string& path) const;

  host::Project& project_;
  host::ComponentType type_;
  std::string name_;
  std::string path_;    // the component's file; "" when it was never saved
  std::string source_;  // where the bytes of a component without code come from
  std::string origin_;  // see Origin()
  std::vector<std::string> header_;
  std::vector<std::string> attributes_;
  std::unique_ptr<FileCodeModule> module_;
  // The code of a component loaded LoadDepth::kCodeOnly: the file's bytes, its code lines
  // viewing them, and the lines that carry member attributes. The bytes' string is one a
  // component loaded before left (its old bytes are read over), and is left to the next.
  struct CodeOnly {
    CodeOnly();
    ~CodeOnly();
    CodeOnly(const CodeOnly&) = delete;
    CodeOnly& operator=(const CodeOnly&) = delete;

    std::string bytes;
    std::vector<std::string_view> lines;
    std::vector<ViewAttrs> attrs;
    std::vector<std::vector<std::string>> attr_blocks;
  };
  std::unique_ptr<CodeOnly> code_only_;
  bool code_released_ = false;
  std::string companion_;  // the binary companion's path; "" when there is none
  bool bom_ = false;       // the file began with a UTF-8 byte-order mark
  bool read_only_ = false;
  bool dirty_ = false;
};

}  // namespace kestrix::vbfiles
