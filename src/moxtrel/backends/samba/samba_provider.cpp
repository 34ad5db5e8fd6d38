#include "moxtrel/backends/samba/samba_provider.h"

#include "moxtrel/backends/samba/samba_context.h"
#include "moxtrel/backends/samba/samba_handles.h"
#include "moxtrel/directory/context_provider.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::samba {

// Named, so that NetRuns can recognise it.
using SambaProvider = directory::ContextProvider<SambaContext, MakeSambaHandle>;

std::shared_ptr<directory::DirectoryProvider> MakeSambaProvider(SambaOptions options) {
  if (options.computer.empty()) {
    throw AutomationError(errc::kInvalidArg, u"The Samba backend needs the computer's name");
  }
  if (options.smb_conf.empty()) {
    throw AutomationError(errc::kInvalidArg, u"The Samba backend needs the path of smb.conf");
  }
  // net reads a missing file as an empty one and succeeds; refuse it here, by name.
  bool registry_shares = false;
  for (const auto& section : ReadSmbConf(options.smb_conf)) {
    if (!EqualsNoCase(FromUtf8(section.name), u"global")) continue;
    if (const auto* v = section.Find("registry shares")) registry_shares = ParamTrue(*v);
  }
  if (!registry_shares) {
    throw AutomationError(errc::kNotSupported,
                          FromUtf8(options.smb_conf) +
                              u" does not set \"registry shares = yes\" in [global]: smbd would " +
                              u"never serve the shares the Samba backend makes");
  }
  return std::make_shared<SambaProvider>(std::move(options));
}

long NetRuns(const std::shared_ptr<directory::DirectoryProvider>& provider) {
  auto* samba = dynamic_cast<SambaProvider*>(provider.get());
  return samba ? samba->context().net().Runs() : -1;
}

}  // namespace moxtrel::backends::samba
