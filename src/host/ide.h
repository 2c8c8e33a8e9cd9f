#pragma once

// The IDE's extensibility object model, as the add-in sees it. Everything Kestrix does to a
// user's code goes through these classes; the file-backed IDE (platform/vbfiles), test fakes
// and a bridge to a real IDE provide them.
//
// Conventions shared by every class here:
// - Lines and columns are numbered from 1; item indexes of collections too.
// - Text is bytes in the Windows ANSI code page, passed through untouched.
// - Failures raise host::IdeError (number, description, source), as the IDE's errors do.
// - Objects are owned by the IDE. A reference stays valid until the object is removed
//   (Components::Remove) or the IDE is destroyed.

#include <cstdint>
#include <string>
#include <string_view>

#include "host/command_bars.h"
#include "host/ide_error.h"

namespace kestrix::host {

// Procedure kind as the code module reports it.
enum class ProcKind : int32_t {
  kProc = 0,  // Sub or Function
  kPropertyLet = 1,
  kPropertySet = 2,
  kPropertyGet = 3,
};

// Component type codes of the IDE.
enum class ComponentType : int32_t {
  kStdModule = 1,
  kClassModule = 2,
  kMSForm = 3,
  kResFile = 4,
  kVBForm = 5,
  kVBMDIForm = 6,
  kPropPage = 7,
  kUserControl = 8,
  kDocObject = 9,
  kRelatedDocument = 10,
  kActiveXDesigner = 11,
};

class Component;
class Project;

// The code of one component, as its code window shows it: no file header, no Attribute
// lines. Every count and procedure position changes at once after an insert or delete.
class CodeModule {
 public:
  virtual ~CodeModule() = default;

  virtual Component& Parent() = 0;

  virtual int32_t CountOfLines() const = 0;
  // Lines 1..CountOfDeclarationLines() form the declarations section: up to the last line
  // holding a statement before the first procedure (0 when there is none).
  virtual int32_t CountOfDeclarationLines() const = 0;

  // Lines start..start+count-1 joined with CR LF, no final line break; "" for count 0.
  // Throws kErrInvalidCall when the range reaches past the last line.
  virtual std::string Lines(int32_t start_line, int32_t count) const = 0;

  // The text becomes line `line` (1..CountOfLines()+1); a text holding line breaks becomes
  // several lines. Throws kErrPermissionDenied for a module whose file cannot be written.
  virtual void InsertLines(int32_t line, std::string_view text) = 0;
  virtual void DeleteLines(int32_t start_line, int32_t count = 1) = 0;
  virtual void ReplaceLine(int32_t line, std::string_view text) = 0;

  // Name and kind of the procedure that owns `line`; "" (kind kProc) for declaration lines.
  virtual std::string ProcOfLine(int32_t line, ProcKind& kind) const = 0;
  // First line of the procedure, taking in the blank and comment lines above its header.
  // The three lookups throw kErrProcNotFound when the module has no such procedure.
  virtual int32_t ProcStartLine(std::string_view name, ProcKind kind) const = 0;
  virtual int32_t ProcCountLines(std::string_view name, ProcKind kind) const = 0;
  // The line of the procedure's declaration (its Sub/Function/Property header).
  virtual int32_t ProcBodyLine(std::string_view name, ProcKind kind) const = 0;

  // Searches the region from (start_line, start_column) to (end_line, end_column); an end
  // of -1 means the end of the module or of the line. The last character of a match lies at
  // or before end_column. On success the four positions are overwritten with the match:
  // end_column is the column just after it. Matches never span lines.
  virtual bool Find(std::string_view target, int32_t& start_line, int32_t& start_column,
                    int32_t& end_line, int32_t& end_column, bool whole_word = false,
                    bool match_case = false, bool pattern_search = false) const = 0;
  // A number that changes with every edit of the module, so that a view can tell whether the
  // text it shows is still current. A module that keeps no count returns 0 always.
  virtual uint64_t Revision() const { return 0; }
};

class CodePane {
 public:
  virtual ~CodePane() = default;
  virtual CodeModule& GetCodeModule() = 0;
};

class Component {
 public:
  virtual ~Component() = default;

  virtual Project& Collection() = 0;  // the project that holds the component
  virtual std::string Name() const = 0;
  virtual ComponentType Type() const = 0;

  // Full path of the component's file number `index` (1 = the component's own file);
  // "" for a component that was never saved. Throws kErrSubscriptOutOfRange past FileCount().
  virtual std::string FileNames(int16_t index) const = 0;
  virtual int16_t FileCount() const = 0;

  // True after an edit or import that has not been saved since.
  virtual bool IsDirty() const = 0;

  // The component's code, or nullptr when it has none (resource files, related documents).
  virtual CodeModule* GetCodeModule() = 0;

  // Writes the component to `path` (a full path) with its binary companion beside it;
  // afterwards the component refers to that file. Throws kErrPathFileAccess on failure
  // (kErrPermissionDenied for a read-only file there).
  virtual void SaveAs(const std::string& path) = 0;
};

class Components {
 public:
  virtual ~Components() = default;

  virtual int32_t Count() const = 0;
  virtual Component& Item(int32_t index) = 0;  // 1-based, in the project's order

  // Removes the component from the project; references to it become invalid.
  virtual void Remove(Component& component) = 0;
  // Adds the component stored at `path`; it keeps referring to that file.
  virtual Component& AddFromFile(const std::string& path) = 0;
  // Adds a copy of the component stored at `path`: it has no file until it is saved.
  virtual Component& Import(const std::string& path) = 0;
};

class Project {
 public:
  virtual ~Project() = default;

  virtual std::string Name() const = 0;
  virtual std::string FileName() const = 0;  // full path of the project file
  virtual Components& VBComponents() = 0;

  // Writes the project file to `path`, component paths relative to it; afterwards the
  // project refers to that file. Throws kErrPathFileAccess on failure.
  virtual void SaveAs(const std::string& path) = 0;
  virtual bool IsDirty() const = 0;

  // True when the code module of component `index` (1-based) may be worked on, and the
  // component saved, by a thread of its own while other components are, and a pass over it
  // asks the user nothing (a read-only module is asked about). The IDE's object model lives
  // on one thread: never there.
  virtual bool CodeModuleWorksAlone(int32_t /*index*/) const { return false; }

  // Full path of the compiled program (the project's output folder and file name).
  virtual std::string BuildFileName() const = 0;
  virtual void SetBuildFileName(const std::string& path) = 0;
  // Compiles the project to BuildFileName(). Throws kErrCompileFailed when it fails.
  virtual void MakeCompiledFile() = 0;
  // What the last MakeCompiledFile had to tell (the compiler's log, or what a check in its
  // place found); "" when there is nothing to tell.
  virtual std::string CompileReport() const { return ""; }
};

class Projects {
 public:
  virtual ~Projects() = default;
  virtual int32_t Count() const = 0;
  virtual Project& Item(int32_t index) = 0;  // 1-based, in the IDE's order
};

// The IDE root object.
class Ide {
 public:
  virtual ~Ide() = default;

  virtual std::string FullName() const = 0;  // path of the IDE's executable
  virtual Projects& VBProjects() = 0;
  // The project selected in the IDE; nullptr when none is loaded.
  virtual Project* ActiveVBProject() = 0;
  // The code window that has focus. Throws kErrNoActiveCodePane when there is none.
  virtual CodePane& ActiveCodePane() = 0;
  virtual CommandBars& GetCommandBars() = 0;
};

}  // namespace kestrix::host
