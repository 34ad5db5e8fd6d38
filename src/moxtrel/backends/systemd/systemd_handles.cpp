#include "moxtrel/backends/systemd/systemd_handles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "moxtrel/backends/systemd/unit_files.h"
#include "moxtrel/backends/systemd/unit_text.h"
#include "moxtrel/directory/snapshot_enum.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::systemd {
namespace {

using directory::ObjectKind;

constexpr ObjectKind kServices[] = {ObjectKind::kService};
constexpr directory::ServedPart kServed{u"the systemd backend", u"the computer's services",
                                        u"services", kServices};

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

// Names from a Dependencies value: an array of names (any lower bound) or one name.
std::vector<std::u16string> NamesOf(const Variant& value) {
  std::vector<std::u16string> names;
  if (value.IsArray()) {
    for (const auto& item : value.AsArray().items) names.push_back(item.ToString());
  } else if (!value.IsEmpty()) {
    names.push_back(value.ToString());
  }
  return names;
}

}  // namespace

std::shared_ptr<directory::IADs> MakeSystemdHandle(const ContextPtr& ctx, const Target& target) {
  if (target.kind == ObjectKind::kService)
    return std::make_shared<SystemdService>(ctx, target.unit);
  return std::make_shared<SystemdComputer>(ctx);
}

// The computer.

SystemdComputer::SystemdComputer(ContextPtr ctx)
    : PartialComputer({ctx, &ctx->address()}, kServed), ctx_(std::move(ctx)) {}

std::unique_ptr<directory::IADsEnum> SystemdComputer::NewEnum() {
  std::vector<std::string> units;
  if (Lists(ObjectKind::kService)) units = ctx_->Services();
  return directory::EnumSnapshot(std::move(units), [ctx = ctx_](std::string&& unit) {
    return std::shared_ptr<directory::IADs>(std::make_shared<SystemdService>(ctx, unit));
  });
}

std::shared_ptr<directory::IADs> SystemdComputer::Create(std::u16string_view class_word,
                                                         std::u16string_view name) {
  auto kind = directory::KindFromClassWord(class_word);
  if (!kind || *kind != ObjectKind::kService) {
    kServed.Refuse(ctx_->address().Path(), u"Create of a " + std::u16string(class_word));
  }
  const std::string unit = UnitName(name);
  if (auto known = ctx_->Known(unit); !known.empty()) {
    throw AutomationError(errc::kObjectExists, u"Create in " + ctx_->address().Path() +
                                                   u": there is a unit " + FromUtf8(known) +
                                                   u" already");
  }
  return std::make_shared<SystemdService>(ctx_, unit, /*created=*/true);
}

void SystemdComputer::Delete(std::u16string_view class_word, std::u16string_view name) {
  auto kind = directory::KindFromClassWord(class_word);
  if (!kind || *kind != ObjectKind::kService) {
    kServed.Refuse(ctx_->address().Path(), u"Delete of a " + std::u16string(class_word));
  }
  const std::string unit = ctx_->Known(UnitName(name));
  if (unit.empty()) {
    throw AutomationError(errc::kNoSuchObject, u"Delete in " + ctx_->address().Path() +
                                                   u": there is no service " + Quoted(name));
  }
  const std::string file = ctx_->UnitFilePath(unit);
  struct stat st {};
  if (lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    throw AutomationError(errc::kNotSupported,
                          u"The service " + ctx_->ServicePath(unit) + u" has no unit file in " +
                              FromUtf8(ctx_->options().unit_dir) +
                              u": the backend deletes only units written there; set its start "
                              u"type to disabled (masked) instead");
  }
  ManagerBus& bus = ctx_->bus();
  UnitDirLock lock(ctx_->options().unit_dir, ctx_->options().timeout);
  if (Runs(bus.UnitString(unit, "ActiveState"))) {
    throw AutomationError(errc::kServiceControlRefused, u"The service " + ctx_->ServicePath(unit) +
                                                            u" cannot be deleted while it runs: "
                                                            u"stop it first");
  }
  // Its enable links first: a link left behind would point at nothing. Each later step that
  // fails puts back what the earlier ones took, so a refused delete leaves the service whole.
  const bool enabled = StartTypeFrom(bus.UnitString(unit, "UnitFileState")) == kAutoStart;
  bus.UnitFiles("DisableUnitFiles", unit);
  auto reenable = [&] {
    if (!enabled) return;
    try {
      bus.UnitFiles("EnableUnitFiles", unit);
    } catch (const AutomationError&) {
    }
  };
  const std::string drop_in = ctx_->DropInPath(unit);
  std::optional<std::string> drop_in_text;
  try {
    drop_in_text = ReadUnitFile(drop_in);
    RemoveUnitFile(drop_in);
  } catch (const AutomationError&) {
    reenable();
    throw;
  }
  try {
    RemoveUnitFile(file);
  } catch (const AutomationError&) {
    try {
      if (drop_in_text) ReplaceUnitFile(drop_in, *drop_in_text);
    } catch (const AutomationError&) {
    }
    reenable();
    throw;
  }
  // An empty drop-in folder is left to no one.
  rmdir((ctx_->UnitFilePath(unit) + ".d").c_str());
  ctx_->Forget();
  bus.Reload();
}

// A service.

std::u16string SystemdService::Name() {
  return ServiceName(unit_);
}

void SystemdService::RequireLoaded() {
  const std::string load = ctx_->bus().UnitString(unit_, "LoadState");
  if (load == "not-found" || load.empty()) {
    throw AutomationError(errc::kNoSuchObject, u"The service " + ADsPath() + u" no longer exists");
  }
}

std::vector<std::string> SystemdService::DependencyUnits() {
  std::vector<std::string> units;
  for (const char* property : {"Requires", "Wants"}) {
    for (auto& u : ctx_->bus().UnitStrings(unit_, property)) {
      if (IsListedService(u) && !Contains(units, u)) units.push_back(std::move(u));
    }
  }
  // The manager holds them as a set: the order last written comes first, the rest by name.
  std::vector<std::string> order;
  if (const auto text = ReadUnitFile(ctx_->DropInPath(unit_))) order = ParseOverrides(*text).order;
  auto rank = [&](const std::string& u) {
    return std::find(order.begin(), order.end(), u) - order.begin();
  };
  std::sort(units.begin(), units.end(), [&](const std::string& a, const std::string& b) {
    const auto ra = rank(a), rb = rank(b);
    return ra != rb ? ra < rb : a < b;
  });
  return units;
}

Variant SystemdService::StagedOrDefault(ServiceField field) {
  if (auto it = staged_.find(field); it != staged_.end()) return it->second;
  switch (field) {
    case ServiceField::kServiceType:
      return Variant(kOwnProcess);
    case ServiceField::kStartType:
      return Variant(kDemandStart);
    case ServiceField::kStatus:
      return Variant(kStopped);
    case ServiceField::kErrorControl:
      return Variant(int32_t{0});
    case ServiceField::kServiceAccountName:
      return Variant(FromUtf8(kDefaultUser));
    case ServiceField::kDependencies:
      return Variant(VariantArray{});
    case ServiceField::kDisplayName:
      return Variant(Name());
    default:
      return Variant(u"");
  }
}

Variant SystemdService::Get(std::u16string_view name) {
  ServiceField field;
  if (!FindServiceField(name, field)) {
    throw AutomationError(errc::kPropertyNotFound, u"The property \"" + std::u16string(name) +
                                                       u"\" is not held by " + ADsPath());
  }
  if (field == ServiceField::kHostComputer) return Variant(ctx_->address().Path());
  if (created_) return StagedOrDefault(field);
  if (field == ServiceField::kErrorControl) return Variant(int32_t{0});
  if (field == ServiceField::kLoadOrderGroup) return Variant(u"");
  RequireLoaded();
  ManagerBus& bus = ctx_->bus();
  switch (field) {
    case ServiceField::kDisplayName:
      return Variant(FromUtf8(bus.UnitString(unit_, "Description")));
    case ServiceField::kServiceType:
      return Variant(kOwnProcess);
    case ServiceField::kStartType:
      return Variant(StartTypeFrom(bus.UnitString(unit_, "UnitFileState")));
    case ServiceField::kPath: {
      const auto commands = bus.ExecStart(unit_);
      if (commands.empty()) return Variant(u"");
      return Variant(CommandLine(commands.front().path, commands.front().argv));
    }
    case ServiceField::kServiceAccountName: {
      const std::string user = bus.ServiceString(unit_, "User");
      return Variant(FromUtf8(user.empty() ? kDefaultUser : user));
    }
    case ServiceField::kDependencies: {
      std::vector<std::u16string> names;
      for (const auto& u : DependencyUnits()) names.push_back(ServiceName(u));
      // As the object model writes the list: one name alone is a plain string.
      if (names.size() == 1) return Variant(names.front());
      return Variant::StringArray(names);
    }
    case ServiceField::kStatus:
      return Variant(
          StatusFrom(bus.UnitString(unit_, "ActiveState"), bus.UnitString(unit_, "FreezerState")));
    default:
      return Variant(u"");
  }
}

void SystemdService::Put(std::u16string_view name, const Variant& value) {
  ServiceField field;
  if (!FindServiceField(name, field)) {
    throw AutomationError(errc::kPropertyNotFound, u"The property \"" + std::u16string(name) +
                                                       u"\" is not held by " + ADsPath());
  }
  auto refuse = [&](std::u16string_view why) {
    throw AutomationError(errc::kNotSupported,
                          u"The property \"" + std::u16string(FieldName(field)) + u"\" of " +
                              ADsPath() + u" cannot be written: " + std::u16string(why));
  };
  switch (field) {
    case ServiceField::kHostComputer:
    case ServiceField::kStatus:
      refuse(u"it is read-only");
      return;
    case ServiceField::kErrorControl:
      refuse(u"systemd has no error control for a service");
      return;
    case ServiceField::kLoadOrderGroup:
      refuse(u"systemd has no load order groups; order services by their dependencies");
      return;
    case ServiceField::kServiceType:
      if (value.ToLong() != kOwnProcess) {
        refuse(u"every systemd service runs as its own process (16)");
      }
      return;  // nothing to change
    case ServiceField::kStartType: {
      const int32_t v = value.ToLong();
      if (v != kAutoStart && v != kDemandStart && v != kDisabledStart) {
        refuse(u"systemd starts services automatically (2), on demand (3) or not at all (4)");
      }
      staged_[field] = Variant(v);
      return;
    }
    case ServiceField::kDisplayName:
      (void)DescriptionValue(value.ToString());
      staged_[field] = Variant(value.ToString());
      return;
    case ServiceField::kPath:
      (void)ExecStartValue(value.ToString());
      staged_[field] = Variant(value.ToString());
      return;
    case ServiceField::kServiceAccountName:
      (void)UserValue(value.ToString());
      staged_[field] = Variant(value.ToString());
      return;
    case ServiceField::kDependencies: {
      std::vector<std::u16string> units;
      for (const auto& n : NamesOf(value)) {
        const std::string unit = UnitName(n);
        if (unit == unit_) refuse(u"a service cannot depend on itself");
        units.push_back(FromUtf8(unit));
      }
      staged_[field] = Variant::StringArray(units);
      return;
    }
  }
}

void SystemdService::WriteDropIn(const Staged& staged) {
  const std::string path = ctx_->DropInPath(unit_);
  const auto old_text = ReadUnitFile(path);
  Overrides o = old_text ? ParseOverrides(*old_text) : Overrides{};
  for (const auto& [field, value] : staged) {
    switch (field) {
      case ServiceField::kDisplayName:
        o.description = DescriptionValue(value.ToString());
        break;
      case ServiceField::kPath:
        o.exec_start = ExecStartValue(value.ToString());
        break;
      case ServiceField::kServiceAccountName:
        o.user = UserValue(value.ToString());
        break;
      case ServiceField::kDependencies: {
        std::vector<std::string> wanted;
        for (const auto& n : NamesOf(value)) wanted.push_back(ToUtf8(n));
        const auto current = DependencyUnits();
        // A drop-in can add dependencies but never take away the unit file's own.
        for (const auto& c : current) {
          if (!Contains(wanted, c) && !Contains(o.requires_units, c)) {
            throw AutomationError(errc::kNotSupported,
                                  u"The dependency of " + ADsPath() + u" on " + ServiceName(c) +
                                      u" is written in its unit file, which a drop-in cannot "
                                      u"take back: change the unit file itself");
          }
        }
        std::vector<std::string> ours;
        for (const auto& w : wanted) {
          if (Contains(o.requires_units, w) || !Contains(current, w)) ours.push_back(w);
        }
        o.requires_units = std::move(ours);
        o.order = std::move(wanted);
        break;
      }
      default:
        break;
    }
  }
  ReplaceUnitFile(path, RenderOverrides(o));
}

void SystemdService::WriteStartType(int32_t start_type) {
  ManagerBus& bus = ctx_->bus();
  const std::string state = bus.UnitString(unit_, "UnitFileState");
  if (start_type == kDisabledStart) {
    if (StartTypeFrom(state) != kDisabledStart) bus.UnitFiles("MaskUnitFiles", unit_);
  } else {
    if (StartTypeFrom(state) == kDisabledStart) bus.UnitFiles("UnmaskUnitFiles", unit_);
    bus.UnitFiles(start_type == kAutoStart ? "EnableUnitFiles" : "DisableUnitFiles", unit_);
  }
  bus.Reload();
  const int32_t now = StartTypeFrom(bus.UnitString(unit_, "UnitFileState"));
  if (now != start_type) {
    throw AutomationError(errc::kNotSupported,
                          u"The start type of " + ADsPath() + u" stays " + DecimalText(now) +
                              u": its unit file has no [Install] section to enable it by");
  }
}

void SystemdService::CreateUnit(const Staged& staged) {
  Overrides o;
  for (const auto& [field, value] : staged) {
    if (field == ServiceField::kDisplayName) o.description = DescriptionValue(value.ToString());
    if (field == ServiceField::kPath) o.exec_start = ExecStartValue(value.ToString());
    if (field == ServiceField::kServiceAccountName) o.user = UserValue(value.ToString());
    if (field == ServiceField::kDependencies) {
      for (const auto& n : NamesOf(value)) o.requires_units.push_back(ToUtf8(n));
      o.order = o.requires_units;
    }
  }
  if (!o.exec_start) {
    throw AutomationError(errc::kInvalidArg,
                          u"The service " + ADsPath() + u" cannot be created without a path");
  }
  // A mask is a link in unit_dir where this unit's own file goes: the manager refuses it, and
  // the unit would be left made but not disabled.
  if (auto it = staged.find(ServiceField::kStartType);
      it != staged.end() && it->second.ToLong() == kDisabledStart) {
    throw AutomationError(errc::kNotSupported,
                          u"The service " + ADsPath() +
                              u" cannot be created disabled: systemd cannot mask a unit whose "
                              u"file is in the unit folder; create it on demand (3)");
  }
  UnitDirLock lock(ctx_->options().unit_dir, ctx_->options().timeout);
  if (!ctx_->Known(unit_).empty()) {
    throw AutomationError(errc::kObjectExists, u"The service " + ADsPath() + u" exists already");
  }
  // A drop-in of ours left from an earlier unit of this name must not shape the new one.
  RemoveUnitFile(ctx_->DropInPath(unit_));
  const std::string file = ctx_->UnitFilePath(unit_);
  ReplaceUnitFile(file, RenderUnitFile(o));
  ctx_->Forget();
  ctx_->bus().Reload();
  created_ = false;
  if (auto it = staged.find(ServiceField::kStartType);
      it != staged.end() && it->second.ToLong() != kDemandStart) {
    WriteStartType(it->second.ToLong());
  }
}

void SystemdService::SetInfo() {
  // What was put is sent once; whatever becomes of it, the next SetInfo sends only what is put
  // after this one, so a refused value never rides along with a later change.
  const Staged staged = std::exchange(staged_, {});
  if (created_) {
    CreateUnit(staged);
    return;
  }
  if (staged.empty()) return;
  RequireLoaded();
  // Refused before the drop-in is written, so that no part of this SetInfo is made.
  if (auto it = staged.find(ServiceField::kStartType);
      it != staged.end() && it->second.ToLong() == kDisabledStart) {
    struct stat st {};
    if (lstat(ctx_->UnitFilePath(unit_).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      throw AutomationError(errc::kNotSupported,
                            u"The service " + ADsPath() +
                                u" cannot be disabled: systemd cannot mask a unit whose file is "
                                u"in the unit folder " +
                                FromUtf8(ctx_->options().unit_dir));
    }
  }
  bool drop_in = false;
  for (const auto& [field, value] : staged) drop_in |= field != ServiceField::kStartType;
  if (drop_in) {
    // Read, changed and written under the folder's lock: another writer's change to the same
    // drop-in is kept, not overwritten.
    UnitDirLock lock(ctx_->options().unit_dir, ctx_->options().timeout);
    WriteDropIn(staged);
    ctx_->bus().Reload();
  }
  if (auto it = staged.find(ServiceField::kStartType); it != staged.end()) {
    WriteStartType(it->second.ToLong());
  }
}

void SystemdService::Start() {
  if (created_) {
    throw AutomationError(errc::kNoSuchObject, u"The service " + ADsPath() + u" is not created");
  }
  ctx_->bus().RunJob("StartUnit", unit_);
}

void SystemdService::Stop() {
  if (created_) {
    throw AutomationError(errc::kNoSuchObject, u"The service " + ADsPath() + u" is not created");
  }
  ManagerBus& bus = ctx_->bus();
  // As a service manager of the object model does, refuse while a service that depends on
  // this one runs; systemd itself would stop those too.
  for (const char* property : {"RequiredBy", "WantedBy", "BoundBy"}) {
    for (const auto& other : bus.UnitStrings(unit_, property)) {
      if (!IsListedService(other)) continue;
      const std::string state = bus.UnitString(other, "ActiveState");
      if (Runs(state)) {
        throw AutomationError(errc::kDependentServicesRunning,
                              u"The service " + ADsPath() + u" cannot be stopped: " +
                                  ServiceName(other) + u", which depends on it, is " +
                                  FromUtf8(state));
      }
    }
  }
  bus.RunJob("StopUnit", unit_);
}

void SystemdService::Pause() {
  if (created_) {
    throw AutomationError(errc::kNoSuchObject, u"The service " + ADsPath() + u" is not created");
  }
  ctx_->bus().Freezer("FreezeUnit", unit_);
}

void SystemdService::Continue() {
  if (created_) {
    throw AutomationError(errc::kNoSuchObject, u"The service " + ADsPath() + u" is not created");
  }
  ctx_->bus().Freezer("ThawUnit", unit_);
}

void SystemdService::SetPassword(std::u16string_view) {
  throw AutomationError(errc::kNotSupported,
                        u"SetPassword of " + ADsPath() +
                            u": services on this platform have no password; a systemd service "
                            u"runs as its account without logging on");
}

}  // namespace moxtrel::backends::systemd
