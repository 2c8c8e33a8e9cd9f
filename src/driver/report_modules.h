#pragma once

// The two components a build adds to a project: the global error module and the error-report
// form, recognised by the word "Kestrix" in their names.

#include <cstdint>
#include <string>
#include <string_view>

#include "host/ide.h"

namespace kestrix::driver {

// True when the project holds a component of type `kind` whose name contains `name_part`
// (any case).
bool ComponentExists(host::Project& project, std::string_view name_part, host::ComponentType kind);

// `value` as the inside of a VB string literal: double quotes doubled, line breaks made
// blanks, so that any name or address gives a line that compiles.
std::string VbStringContent(std::string_view value);

// "Private Const NAME=\"value\"", the value made safe by VbStringContent.
std::string ConstLine(std::string_view name, std::string_view value);

}  // namespace kestrix::driver
