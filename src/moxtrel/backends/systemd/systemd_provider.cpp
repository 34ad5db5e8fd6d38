#include "moxtrel/backends/systemd/systemd_provider.h"

#include "moxtrel/backends/systemd/systemd_context.h"
#include "moxtrel/backends/systemd/systemd_handles.h"
#include "moxtrel/directory/context_provider.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::systemd {

// Named, so that ManagerCalls can recognise it.
using SystemdProvider = directory::ContextProvider<SystemdContext, MakeSystemdHandle>;

std::shared_ptr<directory::DirectoryProvider> MakeSystemdProvider(SystemdOptions options) {
  if (options.computer.empty()) {
    throw AutomationError(errc::kInvalidArg, u"The systemd backend needs the computer's name");
  }
  if (options.unit_dir.empty() || options.unit_dir.front() != '/') {
    throw AutomationError(errc::kInvalidArg, u"The systemd backend's unit folder \"" +
                                                 FromUtf8(options.unit_dir) +
                                                 u"\" is not an absolute path");
  }
  while (options.unit_dir.size() > 1 && options.unit_dir.back() == '/') options.unit_dir.pop_back();
  return std::make_shared<SystemdProvider>(std::move(options));
}

long ManagerCalls(const std::shared_ptr<directory::DirectoryProvider>& provider) {
  auto* systemd = dynamic_cast<SystemdProvider*>(provider.get());
  return systemd ? systemd->context().bus().Calls() : -1;
}

}  // namespace moxtrel::backends::systemd
