#pragma once

// The IDE's add-in interface: the four events the IDE raises on an add-in it has created by
// its programmatic identifier ("Kestrix.Connect").

#include <cstdint>

namespace kestrix::host {

class Ide;

// How the add-in came to be connected.
enum class ConnectMode : int32_t {
  kAfterStartup = 0,  // connected while the IDE runs (the Add-In Manager)
  kStartup = 1,       // loaded as the IDE starts
  kExternal = 2,
  kCommandLine = 3,
};

enum class DisconnectMode : int32_t { kHostShutdown = 0, kUserClosed = 1 };

class Extensibility {
 public:
  virtual ~Extensibility() = default;
  virtual void OnConnection(Ide& ide, ConnectMode mode) = 0;
  virtual void OnDisconnection(DisconnectMode mode) = 0;
  // Raised once the IDE has started, for add-ins loaded at start-up.
  virtual void OnStartupComplete() = 0;
  virtual void OnAddInsUpdate() = 0;
};

}  // namespace kestrix::host
