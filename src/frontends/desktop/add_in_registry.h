#pragma once

// The add-ins this host knows how to create, by programmatic identifier ("Kestrix.Connect"),
// and the add-ins it has connected to its IDE. Which ones load at start-up is the IDE's
// add-in list, the profile file vbaddin.ini, section "Add-Ins32": a key per add-in whose
// value has bit 0 set loads it at start-up ("1"); "0" keeps it listed but not loaded.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/extensibility.h"
#include "host/ide.h"
#include "host/system.h"

namespace kestrix::desktop {

inline constexpr const char* kAddInList = "vbaddin.ini";
inline constexpr const char* kAddInSection = "Add-Ins32";

class AddInRegistry {
 public:
  using Factory = std::function<std::unique_ptr<host::Extensibility>()>;

  // Registers (or replaces) the add-in known as `prog_id`.
  void Register(const std::string& prog_id, const std::string& description, Factory factory);

  // Every registered identifier, in alphabetical order.
  std::vector<std::string> ProgIds() const;
  bool Contains(const std::string& prog_id) const { return entries_.count(prog_id) != 0; }
  // "" for an identifier not registered.
  std::string Description(const std::string& prog_id) const;
  // A new instance; nullptr for an identifier not registered.
  std::unique_ptr<host::Extensibility> Create(const std::string& prog_id) const;

 private:
  struct Entry {
    std::string description;
    Factory factory;
  };
  std::map<std::string, Entry> entries_;
};

// Registers the add-ins this program carries. Defined by the program (apps/).
void RegisterAddIns(AddInRegistry& registry);

// The add-ins connected to one IDE. An add-in's events run inside try blocks: what one
// throws is reported (SetErrorReporter) and the host goes on; an add-in whose connection
// fails is not kept.
class AddInHost {
 public:
  AddInHost(const AddInRegistry& registry, host::Ide& ide, host::ProfileFiles& profiles);
  // Add-ins still connected are disconnected as at shutdown.
  ~AddInHost();
  AddInHost(const AddInHost&) = delete;
  AddInHost& operator=(const AddInHost&) = delete;

  void SetErrorReporter(std::function<void(const std::string&)> report) {
    report_ = std::move(report);
  }

  // Creates and connects, with kStartup, every registered add-in that the add-in list loads
  // at start-up and that is not connected yet.
  void ConnectStartupAddIns();
  // Raises OnStartupComplete on the add-ins connected at start-up.
  void RaiseStartupComplete();
  // Raises OnAddInsUpdate on every connected add-in.
  void RaiseAddInsUpdate();

  // Creates and connects the add-in; false when it is not registered, is connected already
  // or its connection failed.
  bool Connect(const std::string& prog_id, host::ConnectMode mode);
  // Disconnects and destroys the add-in; false when it was not connected.
  bool Disconnect(const std::string& prog_id, host::DisconnectMode mode);
  // Disconnects every add-in, the last connected first.
  void DisconnectAll(host::DisconnectMode mode);

  bool IsConnected(const std::string& prog_id) const;
  // The connected instance; nullptr when not connected.
  host::Extensibility* Instance(const std::string& prog_id) const;

  // What the add-in list says about loading the add-in at start-up.
  bool LoadsOnStartup(const std::string& prog_id) const;
  // Sets or clears bit 0 of the add-in's value in the list (writing "1" or "0" for a plain
  // entry); false when the list cannot be written.
  bool SetLoadOnStartup(const std::string& prog_id, bool load);

  const AddInRegistry& registry() const { return registry_; }
  // Where the add-in list lies, for telling the user.
  std::string ListPath() const { return profiles_.FilePath(kAddInList); }

 private:
  struct Connected {
    std::string prog_id;
    std::unique_ptr<host::Extensibility> add_in;
    bool at_startup = false;
  };
  // Runs `event`; false, with the error reported, when it throws.
  bool Guarded(const std::string& prog_id, const char* event,
               const std::function<void()>& event_call) const;
  std::vector<Connected>::iterator FindConnected(const std::string& prog_id);

  const AddInRegistry& registry_;
  host::Ide& ide_;
  host::ProfileFiles& profiles_;
  std::vector<Connected> connected_;  // in the order connected
  std::function<void(const std::string&)> report_;
};

// What the user chose for one add-in in the Add-In Manager.
struct AddInChoice {
  std::string prog_id;
  bool loaded = false;
  bool load_on_startup = false;
};

// The choices as the Add-In Manager shows them now, one per registered add-in.
std::vector<AddInChoice> CurrentAddInChoices(const AddInHost& host);

// Applies the Add-In Manager's choices: add-ins newly loaded are connected (kAfterStartup),
// add-ins unloaded are disconnected (kUserClosed) and destroyed, and the add-in list is
// written where "Load on Startup" changed. Raises OnAddInsUpdate on the add-ins connected
// afterwards when anything changed. Returns the messages of what failed.
std::vector<std::string> ApplyAddInChoices(AddInHost& host,
                                           const std::vector<AddInChoice>& choices);

}  // namespace kestrix::desktop
