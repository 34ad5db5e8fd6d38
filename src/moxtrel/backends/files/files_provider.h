// The "files" backend: this computer's local users and groups, served from passwd/shadow and
// group/gshadow under a root folder, as a directory provider. It holds one computer, its users
// and its groups; see docs/local-accounts.md for how each property maps onto the files.
//
//   FilesOptions o;
//   o.computer = u"pc1";
//   directory::SetCurrentProvider(MakeFilesProvider(o));
//   auto alice = directory::Bind<directory::IADsUser>(u"WinNT://pc1/alice,user");
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "moxtrel/directory/provider.h"

namespace moxtrel::backends::files {

struct FilesOptions {
  std::string root = "/";   // folder holding etc/passwd, etc/group, etc/shadow, etc/gshadow, ...
  std::u16string computer;  // the computer's name as paths spell it
  std::u16string domain;    // empty: canonical paths "WinNT://C/..."; else "WinNT://D/C/..."
  bool allow_shutdown = false;                      // Shutdown refused unless true
  std::string shutdown_command = "/sbin/shutdown";  // run without a shell when allowed
  std::chrono::milliseconds lock_wait{15000};       // bounded wait for the files' locks
};

// Throws AutomationError (errc::kInvalidArg) when the computer name is empty.
std::shared_ptr<directory::DirectoryProvider> MakeFilesProvider(FilesOptions options);

}  // namespace moxtrel::backends::files
