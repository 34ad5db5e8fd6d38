// The "cups" backend: one computer's printing served by a CUPS scheduler, as a directory
// provider. It holds the computer (a container listing its print queues), the queues and their
// jobs; see docs/printing.md for how each property maps onto IPP attributes.
//
//   CupsOptions o;
//   o.server = "127.0.0.1:631";
//   o.computer = u"pc1";
//   directory::SetCurrentProvider(MakeCupsProvider(o));
//   auto q = directory::Bind<directory::IADsPrintQueue>(u"WinNT://pc1/laser,PrintQueue");
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "moxtrel/directory/provider.h"

namespace moxtrel::backends::cups {

struct CupsOptions {
  std::string server;       // "host:port" or "host" (port 631); empty: libcups' default server
  std::u16string computer;  // the computer's name as paths spell it
  std::u16string domain;    // empty: paths "WinNT://C/..."; else "WinNT://D/C/..."
  std::string user;         // requesting-user-name; empty: the process's user as libcups sees it
  std::chrono::milliseconds timeout{10000};  // connect and per-request wait
  // A watched queue's job list follows an ippget subscription of this lease, renewed at half.
  std::chrono::seconds lease{300};
  bool subscriptions = true;  // false: every watch tick lists the queue's jobs
};

// Throws AutomationError (errc::kInvalidArg) for an empty computer name, a malformed server, or
// a user with a control character or longer than 255 bytes.
std::shared_ptr<directory::DirectoryProvider> MakeCupsProvider(CupsOptions options);

}  // namespace moxtrel::backends::cups

namespace moxtrel::backends::cups {
// IPP requests sent so far by a provider MakeCupsProvider made (-1 for any other provider):
// tests and benchmarks count what a watch tick costs.
long RequestsSent(const std::shared_ptr<directory::DirectoryProvider>& provider);
}  // namespace moxtrel::backends::cups
