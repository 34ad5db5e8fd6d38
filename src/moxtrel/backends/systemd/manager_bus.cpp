#include "moxtrel/backends/systemd/manager_bus.h"

#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::systemd {
namespace {

constexpr const char* kDestination = "org.freedesktop.systemd1";
constexpr const char* kManagerPath = "/org/freedesktop/systemd1";
constexpr const char* kManager = "org.freedesktop.systemd1.Manager";
constexpr const char* kUnit = "org.freedesktop.systemd1.Unit";
constexpr const char* kService = "org.freedesktop.systemd1.Service";

struct Error {
  sd_bus_error e{};  // SD_BUS_ERROR_NULL, without its C compound literal
  ~Error() { sd_bus_error_free(&e); }
};

struct Message {
  sd_bus_message* m = nullptr;
  ~Message() { sd_bus_message_unref(m); }
};

std::string UnitPath(const std::string& unit) {
  char* path = nullptr;
  if (sd_bus_path_encode("/org/freedesktop/systemd1/unit", unit.c_str(), &path) < 0 || !path) {
    throw AutomationError(errc::kFail, u"Out of memory for the unit " + FromUtf8(unit));
  }
  std::string out(path);
  free(path);
  return out;
}

// Reads "a(...)" of string fields, `fields` strings per row, into rows of strings.
int ReadStringRows(sd_bus_message* m, const char* row, int fields,
                   std::vector<std::vector<std::string>>& out) {
  const std::string array_of = std::string("(") + row + ")";
  int r = sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, array_of.c_str());
  if (r < 0) return r;
  while ((r = sd_bus_message_enter_container(m, SD_BUS_TYPE_STRUCT, row)) > 0) {
    std::vector<std::string> values;
    for (const char* t = row; *t; ++t) {
      if (*t == 's' || *t == 'o') {
        const char* s = nullptr;
        r = sd_bus_message_read_basic(m, *t, &s);
        if (r < 0) return r;
        values.emplace_back(s ? s : "");
      } else {
        r = sd_bus_message_skip(m, std::string(1, *t).c_str());
        if (r < 0) return r;
      }
    }
    if (static_cast<int>(values.size()) < fields) return -EBADMSG;
    out.push_back(std::move(values));
    r = sd_bus_message_exit_container(m);
    if (r < 0) return r;
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

std::string BaseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int OnJobRemoved(sd_bus_message* m, void* userdata, sd_bus_error*) {
  auto* self = static_cast<ManagerBus*>(userdata);
  uint32_t id = 0;
  const char *job = nullptr, *unit = nullptr, *result = nullptr;
  if (sd_bus_message_read(m, "uoss", &id, &job, &unit, &result) >= 0 && job && result) {
    self->NoteJobRemoved(job, result);
  }
  return 0;
}

int OnUnitFilesChanged(sd_bus_message*, void* userdata, sd_bus_error*) {
  static_cast<ManagerBus*>(userdata)->NoteUnitFilesChanged();
  return 0;
}

}  // namespace

ManagerBus::ManagerBus(std::string address, std::chrono::milliseconds timeout)
    : address_(std::move(address)), timeout_(timeout) {}

ManagerBus::~ManagerBus() {
  std::lock_guard<std::mutex> hold(lock_);
  Drop();
}

void ManagerBus::Drop() {
  if (!bus_) return;
  // A connection made before a fork belongs to the parent: the child only lets go of it.
  if (pid_ == getpid()) {
    sd_bus_flush_close_unref(bus_);
  } else {
    sd_bus_close_unref(bus_);
  }
  bus_ = nullptr;
  // Signals may have been missed while no connection listened.
  files_.reset();
}

void ManagerBus::Fail(int r, const char* what, const std::string& unit, const void* error) {
  const auto* e = static_cast<const sd_bus_error*>(error);
  const std::u16string on = unit.empty() ? u"" : u" of the unit " + FromUtf8(unit);
  std::u16string reason;
  if (e && sd_bus_error_is_set(e)) {
    reason = FromUtf8(e->message ? e->message : e->name);
  } else {
    reason = FromUtf8(std::strerror(r < 0 ? -r : r));
  }
  uint32_t code = errc::kFail;
  if (e && sd_bus_error_has_name(e, "org.freedesktop.systemd1.NoSuchUnit")) {
    code = errc::kNoSuchObject;
  } else if (e && (sd_bus_error_has_name(e, SD_BUS_ERROR_ACCESS_DENIED) ||
                   sd_bus_error_has_name(e, SD_BUS_ERROR_INTERACTIVE_AUTHORIZATION_REQUIRED))) {
    code = errc::kAccessDenied;
  } else if (e && sd_bus_error_has_name(e, "org.freedesktop.systemd1.UnitMasked")) {
    code = errc::kServiceControlRefused;
  } else if (!e || !sd_bus_error_is_set(e) || std::strncmp(e->name, "System.Error.", 13) == 0) {
    if (r == -EACCES || r == -EPERM) code = errc::kAccessDenied;
    if (r == -ECONNRESET || r == -ENOTCONN || r == -ECONNREFUSED || r == -ENOENT ||
        r == -ETIMEDOUT) {
      code = errc::kNetworkUnreachable;
    }
    // The connection is of no further use; the next call opens a new one.
    Drop();
  }
  throw AutomationError(code, FromUtf8(what) + on + u" failed at the service manager (" +
                                  FromUtf8(address_.empty() ? "the system bus" : address_) +
                                  u"): " + reason);
}

sd_bus* ManagerBus::Bus() {
  if (bus_ && (pid_ != getpid() || sd_bus_is_open(bus_) <= 0)) Drop();
  if (bus_) return bus_;
  sd_bus* bus = nullptr;
  int r = 0;
  if (address_.empty()) {
    r = sd_bus_open_system(&bus);
  } else {
    r = sd_bus_new(&bus);
    if (r >= 0) r = sd_bus_set_address(bus, address_.c_str());
    if (r >= 0) r = sd_bus_set_bus_client(bus, 1);
    if (r >= 0) r = sd_bus_start(bus);
  }
  if (r >= 0) {
    r = sd_bus_set_method_call_timeout(bus, static_cast<uint64_t>(timeout_.count()) * 1000);
  }
  if (r < 0) {
    sd_bus_unref(bus);
    Fail(r, "Connecting", "", nullptr);
  }
  bus_ = bus;
  pid_ = getpid();
  // JobRemoved comes only to subscribers; the match is made before any job is started, so a
  // job's signal is queued even when it arrives before the call that started it returns.
  r = sd_bus_match_signal(bus_, nullptr, kDestination, kManagerPath, kManager, "JobRemoved",
                          OnJobRemoved, this);
  for (const char* member : {"Reloading", "UnitFilesChanged"}) {
    if (r >= 0) {
      r = sd_bus_match_signal(bus_, nullptr, kDestination, kManagerPath, kManager, member,
                              OnUnitFilesChanged, this);
    }
  }
  Error error;
  if (r >= 0) {
    ++calls_;
    r = sd_bus_call_method(bus_, kDestination, kManagerPath, kManager, "Subscribe", &error.e,
                           nullptr, "");
  }
  if (r < 0) {
    Drop();
    Fail(r, "Subscribe", "", &error.e);
  }
  return bus_;
}

std::vector<LoadedUnit> ManagerBus::ListUnits() {
  std::lock_guard<std::mutex> hold(lock_);
  Error error;
  Message reply;
  sd_bus* bus = Bus();
  ++calls_;
  int r = sd_bus_call_method(bus, kDestination, kManagerPath, kManager, "ListUnits", &error.e,
                             &reply.m, "");
  if (r < 0) Fail(r, "ListUnits", "", &error.e);
  std::vector<std::vector<std::string>> rows;
  r = ReadStringRows(reply.m, "ssssssouso", 9, rows);
  if (r < 0) Fail(r, "Reading ListUnits", "", nullptr);
  std::vector<LoadedUnit> units;
  units.reserve(rows.size());
  for (auto& row : rows) {
    units.push_back({std::move(row[0]), std::move(row[1]), std::move(row[2]), std::move(row[3]),
                     std::move(row[4])});
  }
  return units;
}

std::vector<UnitFile> ManagerBus::ListUnitFiles() {
  std::lock_guard<std::mutex> hold(lock_);
  Error error;
  Message reply;
  sd_bus* bus = Bus();
  // Signals queued since the last call say whether the kept answer still holds.
  int r = 0;
  while ((r = sd_bus_process(bus, nullptr)) > 0) {
  }
  if (r < 0) Fail(r, "Reading the manager's signals", "", nullptr);
  if (files_) return *files_;
  ++calls_;
  r = sd_bus_call_method(bus, kDestination, kManagerPath, kManager, "ListUnitFiles", &error.e,
                         &reply.m, "");
  if (r < 0) Fail(r, "ListUnitFiles", "", &error.e);
  std::vector<std::vector<std::string>> rows;
  r = ReadStringRows(reply.m, "ss", 2, rows);
  if (r < 0) Fail(r, "Reading ListUnitFiles", "", nullptr);
  std::vector<UnitFile> files;
  files.reserve(rows.size());
  for (auto& row : rows) files.push_back({BaseName(row[0]), std::move(row[1])});
  files_ = files;
  return files;
}

std::string ManagerBus::LoadUnit(const std::string& unit) {
  std::lock_guard<std::mutex> hold(lock_);
  Error error;
  Message reply;
  sd_bus* bus = Bus();
  ++calls_;
  int r = sd_bus_call_method(bus, kDestination, kManagerPath, kManager, "LoadUnit", &error.e,
                             &reply.m, "s", unit.c_str());
  if (r < 0) Fail(r, "LoadUnit", unit, &error.e);
  const char* path = nullptr;
  r = sd_bus_message_read(reply.m, "o", &path);
  if (r < 0) Fail(r, "Reading LoadUnit", unit, nullptr);
  return path ? path : "";
}

std::string ManagerBus::UnitString(const std::string& unit, const char* property) {
  std::lock_guard<std::mutex> hold(lock_);
  Error error;
  char* value = nullptr;
  sd_bus* bus = Bus();
  ++calls_;
  int r = sd_bus_get_property_string(bus, kDestination, UnitPath(unit).c_str(), kUnit, property,
                                     &error.e, &value);
  if (r < 0) Fail(r, (std::string("Reading ") + property).c_str(), unit, &error.e);
  std::string out(value ? value : "");
  free(value);
  return out;
}

std::string ManagerBus::ServiceString(const std::string& unit, const char* property) {
  std::lock_guard<std::mutex> hold(lock_);
  Error error;
  char* value = nullptr;
  sd_bus* bus = Bus();
  ++calls_;
  int r = sd_bus_get_property_string(bus, kDestination, UnitPath(unit).c_str(), kService, property,
                                     &error.e, &value);
  if (r < 0) Fail(r, (std::string("Reading ") + property).c_str(), unit, &error.e);
  std::string out(value ? value : "");
  free(value);
  return out;
}

std::vector<std::string> ManagerBus::UnitStrings(const std::string& unit, const char* property) {
  std::lock_guard<std::mutex> hold(lock_);
  Error error;
  char** values = nullptr;
  sd_bus* bus = Bus();
  ++calls_;
  int r = sd_bus_get_property_strv(bus, kDestination, UnitPath(unit).c_str(), kUnit, property,
                                   &error.e, &values);
  if (r < 0) Fail(r, (std::string("Reading ") + property).c_str(), unit, &error.e);
  std::vector<std::string> out;
  for (char** v = values; v && *v; ++v) {
    out.emplace_back(*v);
    free(*v);
  }
  free(values);
  return out;
}

UnitState ManagerBus::State(const std::string& unit) {
  UnitState s;
  s.load_state = UnitString(unit, "LoadState");
  s.active_state = UnitString(unit, "ActiveState");
  s.sub_state = UnitString(unit, "SubState");
  s.freezer_state = UnitString(unit, "FreezerState");
  s.unit_file_state = UnitString(unit, "UnitFileState");
  return s;
}

std::vector<ExecCommand> ManagerBus::ExecStart(const std::string& unit) {
  std::lock_guard<std::mutex> hold(lock_);
  Error error;
  Message reply;
  sd_bus* bus = Bus();
  ++calls_;
  int r = sd_bus_get_property(bus, kDestination, UnitPath(unit).c_str(), kService, "ExecStart",
                              &error.e, &reply.m, "a(sasbttttuii)");
  if (r < 0) Fail(r, "Reading ExecStart", unit, &error.e);
  std::vector<ExecCommand> commands;
  r = sd_bus_message_enter_container(reply.m, SD_BUS_TYPE_ARRAY, "(sasbttttuii)");
  while (r >= 0 &&
         (r = sd_bus_message_enter_container(reply.m, SD_BUS_TYPE_STRUCT, "sasbttttuii")) > 0) {
    ExecCommand command;
    const char* path = nullptr;
    r = sd_bus_message_read_basic(reply.m, 's', &path);
    if (r < 0) break;
    command.path = path ? path : "";
    char** argv = nullptr;
    r = sd_bus_message_read_strv(reply.m, &argv);
    if (r < 0) break;
    for (char** a = argv; a && *a; ++a) {
      command.argv.emplace_back(*a);
      free(*a);
    }
    free(argv);
    r = sd_bus_message_skip(reply.m, "bttttuii");
    if (r < 0) break;
    r = sd_bus_message_exit_container(reply.m);
    commands.push_back(std::move(command));
  }
  if (r < 0) Fail(r, "Reading ExecStart", unit, nullptr);
  return commands;
}

void ManagerBus::RunJob(const char* method, const std::string& unit) {
  std::lock_guard<std::mutex> hold(lock_);
  Error error;
  Message reply;
  sd_bus* bus = Bus();
  // Signals of earlier jobs, queued since, are let go first.
  while (sd_bus_process(bus, nullptr) > 0) {
  }
  removed_.clear();
  ++calls_;
  int r = sd_bus_call_method(bus, kDestination, kManagerPath, kManager, method, &error.e, &reply.m,
                             "ss", unit.c_str(), "replace");
  if (r < 0) Fail(r, method, unit, &error.e);
  const char* job_path = nullptr;
  r = sd_bus_message_read(reply.m, "o", &job_path);
  if (r < 0 || !job_path) Fail(r, method, unit, nullptr);
  const std::string job(job_path);
  const auto deadline = std::chrono::steady_clock::now() + timeout_;
  for (;;) {
    if (auto it = removed_.find(job); it != removed_.end()) {
      const std::string result = it->second;
      removed_.clear();
      if (result == "done") return;
      throw AutomationError(errc::kServiceControlRefused,
                            FromUtf8(method) + u" of the unit " + FromUtf8(unit) + u" ended \"" +
                                FromUtf8(result) + u"\" at the service manager");
    }
    r = sd_bus_process(bus, nullptr);
    if (r < 0) Fail(r, "Waiting for the job", unit, nullptr);
    if (r > 0) continue;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) break;
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - now);
    r = sd_bus_wait(bus, static_cast<uint64_t>(left.count()));
    if (r < 0) Fail(r, "Waiting for the job", unit, nullptr);
  }
  removed_.clear();
  throw AutomationError(errc::kFail, FromUtf8(method) + u" of the unit " + FromUtf8(unit) +
                                         u" did not finish within " +
                                         DecimalText(timeout_.count()) +
                                         u" ms; the manager's job " + FromUtf8(job) + u" goes on");
}

void ManagerBus::Freezer(const char* method, const std::string& unit) {
  std::lock_guard<std::mutex> hold(lock_);
  Error error;
  sd_bus* bus = Bus();
  ++calls_;
  int r = sd_bus_call_method(bus, kDestination, kManagerPath, kManager, method, &error.e, nullptr,
                             "s", unit.c_str());
  if (r < 0) Fail(r, method, unit, &error.e);
}

void ManagerBus::Reload() {
  std::lock_guard<std::mutex> hold(lock_);
  Error error;
  sd_bus* bus = Bus();
  ++calls_;
  int r = sd_bus_call_method(bus, kDestination, kManagerPath, kManager, "Reload", &error.e, nullptr,
                             "");
  if (r < 0) Fail(r, "Reload", "", &error.e);
}

void ManagerBus::UnitFiles(const char* method, const std::string& unit) {
  std::lock_guard<std::mutex> hold(lock_);
  Error error;
  Message call;
  sd_bus* bus = Bus();
  int r =
      sd_bus_message_new_method_call(bus, &call.m, kDestination, kManagerPath, kManager, method);
  if (r >= 0) {
    const char* units[] = {unit.c_str(), nullptr};
    r = sd_bus_message_append_strv(call.m, const_cast<char**>(units));
  }
  const bool disable =
      std::strcmp(method, "DisableUnitFiles") == 0 || std::strcmp(method, "UnmaskUnitFiles") == 0;
  if (r >= 0) r = sd_bus_message_append(call.m, "b", 0);              // runtime: no, persistent
  if (r >= 0 && !disable) r = sd_bus_message_append(call.m, "b", 1);  // force
  if (r < 0) Fail(r, method, unit, nullptr);
  ++calls_;
  r = sd_bus_call(bus, call.m, 0, &error.e, nullptr);
  if (r < 0) Fail(r, method, unit, &error.e);
}

}  // namespace moxtrel::backends::systemd
