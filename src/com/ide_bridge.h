#pragma once
// The IDE's own object model (the VBE root and everything under it), reached by late binding
// through IDispatch, as Kestrix's host:: interfaces: the engine and the build driver run on
// the projects open in the IDE exactly as they run on the file-backed IDE.
//
// Text crosses as BSTR on the IDE's side and as Windows-ANSI bytes on ours; an error the IDE
// raises (an EXCEPINFO, 0x800A…) becomes a host::IdeError with its number, description and
// source. Every call is logged (com::Log) when the diagnostic log is on.
#include <windows.h>
#include <oaidl.h>

#include <memory>

#include "host/ide.h"

namespace kestrix::com {

// Wraps the IDE's root object; the bridge keeps its own reference to `vbe` until it is
// destroyed. Objects handed out by the bridge live as long as the bridge.
std::unique_ptr<host::Ide> MakeIdeBridge(IDispatch* vbe);

}  // namespace kestrix::com
