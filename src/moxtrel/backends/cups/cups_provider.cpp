#include "moxtrel/backends/cups/cups_provider.h"

#include "moxtrel/backends/cups/cups_context.h"
#include "moxtrel/backends/cups/cups_handles.h"
#include "moxtrel/directory/context_provider.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::cups {

// Named, so that RequestsSent can recognise it.
using CupsProvider = directory::ContextProvider<CupsContext, MakeCupsHandle>;

std::shared_ptr<directory::DirectoryProvider> MakeCupsProvider(CupsOptions options) {
  if (options.computer.empty()) {
    throw AutomationError(errc::kInvalidArg, u"The CUPS backend needs the computer's name");
  }
  for (unsigned char c : options.user) {
    if (c < 0x20 || c == 0x7F) {
      throw AutomationError(errc::kInvalidArg, u"The CUPS user \"" + FromUtf8(options.user) +
                                                   u"\" holds a control character");
    }
  }
  if (options.user.size() > 255) {
    throw AutomationError(errc::kInvalidArg, u"The CUPS user is longer than 255 bytes");
  }
  std::string server = options.server.empty() ? cupsServer() : options.server;
  std::string host = server;
  int port = ippPort();
  if (!server.empty() && server[0] != '/') {
    const auto colon = server.rfind(':');
    if (colon != std::string::npos && server.find(']', colon) == std::string::npos) {
      host = server.substr(0, colon);
      const std::string digits = server.substr(colon + 1);
      port = 0;
      for (char c : digits)
        port = c >= '0' && c <= '9' && port < 65536 ? port * 10 + (c - '0') : -1;
      if (digits.empty() || port <= 0 || port > 65535) {
        throw AutomationError(errc::kInvalidArg, u"The CUPS server \"" + FromUtf8(server) +
                                                     u"\" does not end in a port from 1 to 65535");
      }
    }
  }
  if (host.empty()) {
    throw AutomationError(errc::kInvalidArg, u"The CUPS backend needs a server host");
  }
  if (options.lease.count() < 2) options.lease = std::chrono::seconds(2);
  return std::make_shared<CupsProvider>(std::move(options), std::move(host), port);
}

}  // namespace moxtrel::backends::cups

namespace moxtrel::backends::cups {
long RequestsSent(const std::shared_ptr<directory::DirectoryProvider>& provider) {
  auto* cups = dynamic_cast<CupsProvider*>(provider.get());
  return cups ? cups->context().connection().requests() : -1;
}
}  // namespace moxtrel::backends::cups
