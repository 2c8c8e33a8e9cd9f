#pragma once
// The IDE's own object model (the VBE root and everything under it), reached by late binding
// through IDispatch, as Kestrix's host:: interfaces: the engine and the build driver run on
// the projects open in the IDE exactly as they run on the file-backed IDE.
//
// Text crosses as BSTR on the IDE's side and as Windows-ANSI bytes on ours; an error the IDE
// raises (an EXCEPINFO, 0x800A…) becomes a host::IdeError with its number, description and
// source. Every call is logged (com::Log) when the diagnostic log is on; whether it is on is
// read once, when the bridge is made, so that a call costs nothing more while it is off.
//
// Each object of the IDE has one wrapper, found again by the object's identity, and the
// wrappers live as long as the bridge: a removed component, or a deleted toolbar and its
// buttons, stay valid objects whose calls raise an IdeError. Nothing the IDE answers is kept
// beyond the call that asked for it (counts and positions change with every edit); only the
// IDE's objects themselves and the DISPIDs of their members are kept.
#include <windows.h>
#include <oaidl.h>

#include <memory>

#include "host/ide.h"

namespace kestrix::com {

// Wraps the IDE's root object; the bridge keeps its own reference to `vbe` until it is
// destroyed, and then lets go of every click event it connected. Throws host::IdeError for a
// null `vbe`.
std::unique_ptr<host::Ide> MakeIdeBridge(IDispatch* vbe);

}  // namespace kestrix::com
