// Everything a client of the object model needs in one include: every class, the enums, the
// error type, the dispatch layer for late-bound use, and the directory the classes bind through.
//
//   #include <moxtrel/moxtrel.h>
//   moxtrel::directory::SetCurrentProvider(moxtrel::directory::MemoryDirectory::FromFile(path));
//   auto domain = moxtrel::moxDomain::Create();
//   domain->Name(u"HARBOR");
#pragma once

#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/group.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/directory/provider.h"
#include "moxtrel/environment/current_environment.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/enums.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"
#include "moxtrel/frame/variant.h"
#include "moxtrel/memory/memory_directory.h"
#include "moxtrel/printing/cls_tim.h"
#include "moxtrel/printing/kest_std_timer.h"
#include "moxtrel/printing/mod_timer.h"
#include "moxtrel/printing/print_job.h"
#include "moxtrel/printing/print_jobs.h"
#include "moxtrel/printing/print_queue.h"
#include "moxtrel/printing/print_queues.h"
#include "moxtrel/servers/file_share.h"
#include "moxtrel/servers/file_shares.h"
#include "moxtrel/servers/server.h"
#include "moxtrel/servers/servers.h"
#include "moxtrel/services/mod_general.h"
#include "moxtrel/services/service.h"
#include "moxtrel/services/service_deps.h"
#include "moxtrel/services/services.h"
