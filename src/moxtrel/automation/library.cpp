// MoxtrelLib: every public class listed once, explicitly, so no table depends on a static
// initializer that the linker may drop from the static library.
#include "moxtrel/accounts/class_bindings.h"
#include "moxtrel/environment/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/printing/class_bindings.h"
#include "moxtrel/servers/class_bindings.h"
#include "moxtrel/services/class_bindings.h"

namespace moxtrel::typelib {
namespace {

std::vector<EnumInfo> Enums() {
  return {
      {u"moxType", {{u"mox Local", 1}, {u"mox Global", 2}}},
      {u"enmoxUserPrivilege",
       {{u"mox Admin Privilege", 2}, {u"mox User Privilege", 1}, {u"mox Guest Privilege", 0}}},
      {u"enmoxServiceType",
       {{u"mox Kernel Driver", 1},
        {u"mox File System Driver", 2},
        {u"mox Own Process", 16},
        {u"mox Share Process", 32}}},
      {u"enmoxServiceStartType",
       {{u"mox SVCST Boot", 0},
        {u"mox SVCST System", 1},
        {u"mox SVCST Auto", 2},
        {u"mox SVCST Demand", 3},
        {u"mox SVCST Disabled", 4}}},
      {u"enmoxServiceErrorControl",
       {{u"mox EC Ignore", 0},
        {u"mox EC Normal", 1},
        {u"mox EC Severe", 2},
        {u"mox EC Critical", 3}}},
      {u"enmoxServiceStatus",
       {{u"mox SVCS Stopped", 1},
        {u"mox SVCS Start Pending", 2},
        {u"mox SVCS Stop Pending", 3},
        {u"mox SVCS Running", 4},
        {u"mox SVCS Continue Pending", 5},
        {u"mox SVCS Pause Pending", 6},
        {u"mox SVCS Paused", 7},
        {u"mox SVCS Error", 8}}},
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
