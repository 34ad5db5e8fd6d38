// CupsContext: what the CUPS provider and every handle it gives out share: the options, the
// connection, the canonical paths, and the resolution of a path to one of its objects.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "moxtrel/backends/cups/cups_connection.h"
#include "moxtrel/backends/cups/cups_provider.h"
#include "moxtrel/backends/cups/print_mapping.h"
#include "moxtrel/directory/computer_address.h"
#include "moxtrel/directory/path.h"

namespace moxtrel::backends::cups {

struct Target {
  directory::ObjectKind kind;
  std::string queue;  // as the server spells it; empty for the computer
  int job = 0;
};

class CupsContext {
 public:
  CupsContext(CupsOptions options, std::string host, int port);

  const CupsOptions& options() const noexcept { return options_; }
  CupsConnection& connection() noexcept { return connection_; }

  const directory::ComputerAddress& address() const noexcept { return address_; }
  const std::u16string& ComputerPath() const noexcept { return address_.Path(); }
  std::u16string ComputerParent() const { return address_.Parent(); }
  std::u16string QueuePath(std::string_view queue) const;

  // The object a path names, checked against the server; errc::kNoSuchObject otherwise.
  Target Resolve(std::u16string_view path);

  // Fresh reads from the server.
  QueueInfo Queue(std::string_view queue);
  // The server's spelling of a queue's name (only printer-name is asked for); errc::kNoSuchObject
  // when it holds no such queue.
  std::string QueueName(std::string_view queue);
  // Every attribute of one job of `queue`; errc::kNoSuchObject unless the server holds it there,
  // unfinished (or finished too, with `finished_too`).
  JobInfo Job(std::string_view queue, int id, bool finished_too = false);
  // The queue's unfinished jobs: `whole`, every attribute; else what a walk reads.
  std::vector<JobInfo> Jobs(std::string_view queue, bool whole);

 private:
  [[noreturn]] void Foreign(std::u16string_view path, std::u16string_view why) const;

  CupsOptions options_;
  CupsConnection connection_;
  directory::ComputerAddress address_;
};

using ContextPtr = std::shared_ptr<CupsContext>;

}  // namespace moxtrel::backends::cups
