#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace kestrix::host {

// Error numbers the object model raises, with the meanings the IDE gives them.
enum ErrorNumber : int32_t {
  kErrInvalidCall = 5,          // invalid procedure call or argument (a line out of range, …)
  kErrSubscriptOutOfRange = 9,  // no item with that index or name
  kErrProcNotFound = 35,        // no procedure of that name and kind in the module
  kErrFileNotFound = 53,        // a file named in a project or group does not exist
  kErrPermissionDenied = 70,    // the module's file is read-only
  kErrPathFileAccess = 75,      // a file or folder could not be read or written
  kErrBadFileFormat = 321,      // a project, group or component file is malformed
  kErrNoActiveCodePane = 91,    // the IDE has no active code window
  kErrNotSupported = 438,       // the provider does not offer this operation
  kErrCompileFailed = 40036,    // the project did not compile
};

// An error of the IDE's object model: a number, a description and the source that raised it.
// Descriptions of load errors name the file and, where there is one, the line:
// "Shop.vbp(12): …".
class IdeError : public std::exception {
 public:
  IdeError(int32_t number, std::string description, std::string source)
      : number_(number), description_(std::move(description)), source_(std::move(source)) {}

  int32_t Number() const { return number_; }
  const std::string& Description() const { return description_; }
  const std::string& Source() const { return source_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  int32_t number_;
  std::string description_;
  std::string source_;
};

}  // namespace kestrix::host
