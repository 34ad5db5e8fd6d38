// MoxtrelLib: every public class listed once, explicitly, so no table depends on a static
// initializer that the linker may drop from the static library.
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include "moxtrel/accounts/class_bindings.h"
#include "moxtrel/environment/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/printing/class_bindings.h"
#include "moxtrel/servers/class_bindings.h"
#include "moxtrel/services/class_bindings.h"

namespace moxtrel::typelib {
namespace {

// An enum with its description and, per member, its quoted name, value and description.
EnumInfo MakeEnum(std::u16string name, std::u16string description,
                  std::initializer_list<std::tuple<std::u16string, int32_t, std::u16string>> rows) {
  EnumInfo e;
  e.name = std::move(name);
  e.description = std::move(description);
  for (const auto& [member, value, text] : rows) {
    e.members.emplace_back(member, value);
    e.member_descriptions.push_back(text);
  }
  return e;
}

std::vector<EnumInfo> Enums() {
  return {
      MakeEnum(
          u"moxType", u"The scope of a user account or group.",
          {{u"mox Local", 1, u"Local to one server."}, {u"mox Global", 2, u"Global to a domain."}}),
      MakeEnum(u"enmoxUserPrivilege", u"The privilege level of a user account.",
               {{u"mox Admin Privilege", 2, u"An administrator."},
                {u"mox User Privilege", 1, u"An ordinary user."},
                {u"mox Guest Privilege", 0, u"A guest."}}),
      MakeEnum(
          u"enmoxServiceType", u"What kind of program a service is.",
          {{u"mox Kernel Driver", 1, u"A device driver in the kernel."},
           {u"mox File System Driver", 2, u"A file system driver."},
           {u"mox Own Process", 16, u"A program that runs in a process of its own."},
           {u"mox Share Process", 32, u"A program that shares a process with other services."}}),
      MakeEnum(u"enmoxServiceStartType", u"When a service starts.",
               {{u"mox SVCST Boot", 0, u"While the system boots, by its loader."},
                {u"mox SVCST System", 1, u"While the system starts its kernel."},
                {u"mox SVCST Auto", 2, u"Automatically when the computer starts."},
                {u"mox SVCST Demand", 3, u"Only when asked to start."},
                {u"mox SVCST Disabled", 4, u"Never; the service cannot be started."}}),
      MakeEnum(
          u"enmoxServiceErrorControl",
          u"What the computer does when a service fails to start at startup.",
          {{u"mox EC Ignore", 0, u"Goes on without a word."},
           {u"mox EC Normal", 1, u"Logs the failure and goes on."},
           {u"mox EC Severe", 2, u"Logs it and restarts with the last good configuration."},
           {u"mox EC Critical", 3,
            u"Logs it and restarts with the last good configuration, failing if that fails."}}),
      MakeEnum(u"enmoxServiceStatus", u"The run state of a service.",
               {{u"mox SVCS Stopped", 1, u"Not running."},
                {u"mox SVCS Start Pending", 2, u"Starting."},
                {u"mox SVCS Stop Pending", 3, u"Stopping."},
                {u"mox SVCS Running", 4, u"Running."},
                {u"mox SVCS Continue Pending", 5, u"Resuming from a pause."},
                {u"mox SVCS Pause Pending", 6, u"Pausing."},
                {u"mox SVCS Paused", 7, u"Paused."},
                {u"mox SVCS Error", 8, u"In error."}}),
  };
}

}  // namespace

TypeLibrary BuildMoxtrelLibrary() {
  TypeLibrary lib;
  lib.name = u"MoxtrelLib";
  lib.helpstring = u"Moxtrel Library";
  lib.major = 1;
  lib.minor = 2;
  lib.lcid = 0x409;
  lib.enums = Enums();
  lib.dispinterfaces.push_back(PrintJobsEventInterface());
  // Class order is the library's listing order.
  lib.classes.push_back(moxDomainBinding());
  lib.classes.push_back(moxUserBinding());
  lib.classes.push_back(moxUsersBinding());
  lib.classes.push_back(moxGroupBinding());
  lib.classes.push_back(moxGroupsBinding());
  lib.classes.push_back(moxServerBinding());
  lib.classes.push_back(moxServersBinding());
  lib.classes.push_back(moxFileShareBinding());
  lib.classes.push_back(moxFileSharesBinding());
  lib.classes.push_back(moxPrintQueuesBinding());
  lib.classes.push_back(moxPrintQueueBinding());
  lib.classes.push_back(moxPrintJobsBinding());
  lib.classes.push_back(moxPrintJobBinding());
  lib.classes.push_back(moxCurrentEnvironmentBinding());
  lib.classes.push_back(moxServicesBinding());
  lib.classes.push_back(moxServiceBinding());
  lib.classes.push_back(moxServiceDepsBinding());
  return lib;
}

}  // namespace moxtrel::typelib
