#include "frontends/desktop/add_in_registry.h"

#include <algorithm>
#include <exception>

namespace kestrix::desktop {
namespace {

// The add-in list's value for the add-in; bits other than bit 0 are kept as they are.
int32_t ListValue(const host::ProfileFiles& profiles, const std::string& prog_id) {
  return std::max(profiles.GetInt(kAddInSection, prog_id, 0, kAddInList), 0);
}

}  // namespace

void AddInRegistry::Register(const std::string& prog_id, const std::string& description,
                             Factory factory) {
  entries_[prog_id] = Entry{description, std::move(factory)};
}

std::vector<std::string> AddInRegistry::ProgIds() const {
  std::vector<std::string> ids;
  for (const auto& [id, entry] : entries_)
    ids.push_back(id);
  return ids;
}

std::string AddInRegistry::Description(const std::string& prog_id) const {
  auto it = entries_.find(prog_id);
  return it == entries_.end() ? "" : it->second.description;
}

std::unique_ptr<host::Extensibility> AddInRegistry::Create(const std::string& prog_id) const {
  auto it = entries_.find(prog_id);
  if (it == entries_.end() || !it->second.factory) return nullptr;
  return it->second.factory();
}

AddInHost::AddInHost(const AddInRegistry& registry, host::Ide& ide, host::ProfileFiles& profiles)
    : registry_(registry), ide_(ide), profiles_(profiles) {}

AddInHost::~AddInHost() {
  DisconnectAll(host::DisconnectMode::kHostShutdown);
}

bool AddInHost::Guarded(const std::string& prog_id, const char* event,
                        const std::function<void()>& event_call) const {
  try {
    event_call();
    return true;
  } catch (const std::exception& error) {
    if (report_) report_(prog_id + " (" + event + "): " + error.what());
  }
  return false;
}

void AddInHost::ConnectStartupAddIns() {
  for (const std::string& prog_id : registry_.ProgIds()) {
    if (LoadsOnStartup(prog_id)) Connect(prog_id, host::ConnectMode::kStartup);
  }
}

void AddInHost::RaiseStartupComplete() {
  // An add-in's event may disconnect add-ins: walk a copy of the names.
  std::vector<std::string> ids;
  for (const Connected& c : connected_) {
    if (c.at_startup) ids.push_back(c.prog_id);
  }
  for (const std::string& id : ids) {
    if (host::Extensibility* add_in = Instance(id)) {
      Guarded(id, "OnStartupComplete", [add_in] { add_in->OnStartupComplete(); });
    }
  }
}

void AddInHost::RaiseAddInsUpdate() {
  std::vector<std::string> ids;
  for (const Connected& c : connected_)
    ids.push_back(c.prog_id);
  for (const std::string& id : ids) {
    if (host::Extensibility* add_in = Instance(id)) {
      Guarded(id, "OnAddInsUpdate", [add_in] { add_in->OnAddInsUpdate(); });
    }
  }
}

bool AddInHost::Connect(const std::string& prog_id, host::ConnectMode mode) {
  if (IsConnected(prog_id)) return false;
  std::unique_ptr<host::Extensibility> add_in = registry_.Create(prog_id);
  if (!add_in) return false;
  host::Extensibility* raw = add_in.get();
  connected_.push_back({prog_id, std::move(add_in), mode == host::ConnectMode::kStartup});
  // An add-in whose connection throws stays connected all the same: the bars and windows it
  // made before the error call back into it, and its disconnection takes them away again.
  Guarded(prog_id, "OnConnection", [&] { raw->OnConnection(ide_, mode); });
  return true;
}

bool AddInHost::Disconnect(const std::string& prog_id, host::DisconnectMode mode) {
  auto it = FindConnected(prog_id);
  if (it == connected_.end()) return false;
  std::unique_ptr<host::Extensibility> add_in = std::move(it->add_in);
  connected_.erase(it);
  Guarded(prog_id, "OnDisconnection", [&] { add_in->OnDisconnection(mode); });
  return true;
}

void AddInHost::DisconnectAll(host::DisconnectMode mode) {
  while (!connected_.empty())
    Disconnect(connected_.back().prog_id, mode);
}

std::vector<AddInHost::Connected>::iterator AddInHost::FindConnected(const std::string& prog_id) {
  return std::find_if(connected_.begin(), connected_.end(),
                      [&](const Connected& c) { return c.prog_id == prog_id; });
}

bool AddInHost::IsConnected(const std::string& prog_id) const {
  return Instance(prog_id) != nullptr;
}

host::Extensibility* AddInHost::Instance(const std::string& prog_id) const {
  for (const Connected& c : connected_) {
    if (c.prog_id == prog_id) return c.add_in.get();
  }
  return nullptr;
}

bool AddInHost::LoadsOnStartup(const std::string& prog_id) const {
  return (ListValue(profiles_, prog_id) & 1) != 0;
}

bool AddInHost::SetLoadOnStartup(const std::string& prog_id, bool load) {
  int32_t value = ListValue(profiles_, prog_id);
  value = load ? (value | 1) : (value & ~1);
  return profiles_.WriteString(kAddInSection, prog_id, std::to_string(value), kAddInList);
}

std::vector<AddInChoice> CurrentAddInChoices(const AddInHost& host) {
  std::vector<AddInChoice> choices;
  for (const std::string& id : host.registry().ProgIds())
    choices.push_back({id, host.IsConnected(id), host.LoadsOnStartup(id)});
  return choices;
}

std::vector<std::string> ApplyAddInChoices(AddInHost& host,
                                           const std::vector<AddInChoice>& choices) {
  std::vector<std::string> failures;
  bool changed = false;
  for (const AddInChoice& choice : choices) {
    if (!host.registry().Contains(choice.prog_id)) continue;
    if (choice.load_on_startup != host.LoadsOnStartup(choice.prog_id)) {
      if (!host.SetLoadOnStartup(choice.prog_id, choice.load_on_startup)) {
        failures.push_back("Cannot write the add-in list " + host.ListPath());
      }
    }
    if (choice.loaded && !host.IsConnected(choice.prog_id)) {
      changed |= host.Connect(choice.prog_id, host::ConnectMode::kAfterStartup);
    } else if (!choice.loaded && host.IsConnected(choice.prog_id)) {
      changed |= host.Disconnect(choice.prog_id, host::DisconnectMode::kUserClosed);
    }
  }
  if (changed) host.RaiseAddInsUpdate();
  return failures;
}

}  // namespace kestrix::desktop
