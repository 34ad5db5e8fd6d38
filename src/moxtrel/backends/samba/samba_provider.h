// The "samba" backend: one computer's file shares served by a Samba server, as a directory
// provider. Shares live in Samba's registry configuration (smb.conf sets "registry shares =
// yes") and are created, changed and deleted there through `net conf`, live at once; shares
// written in smb.conf itself are listed too and refuse every change. See docs/shares.md.
//
//   SambaOptions o;
//   o.smb_conf = "/etc/samba/smb.conf";
//   o.computer = u"pc1";
//   directory::SetCurrentProvider(MakeSambaProvider(o));
//   auto s = directory::Bind<directory::IADsFileShare>(u"WinNT://pc1/LanmanServer/docs");
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "moxtrel/directory/provider.h"

namespace moxtrel::backends::samba {

struct SambaOptions {
  std::string smb_conf = "/etc/samba/smb.conf";
  std::u16string computer;  // the computer's name as paths spell it
  std::u16string domain;    // empty: paths "WinNT://C/..."; else "WinNT://D/C/..."
  std::string net = "/usr/bin/net";
  std::string smbstatus = "/usr/bin/smbstatus";
  std::chrono::milliseconds timeout{10000};  // per run of net or smbstatus
};

// Throws AutomationError: errc::kInvalidArg for an empty computer name, errc::kNoSuchObject
// for an smb.conf that cannot be read, errc::kNotSupported for one without "registry shares =
// yes" (shares made here would never be served).
std::shared_ptr<directory::DirectoryProvider> MakeSambaProvider(SambaOptions options);

// Runs of `net` made by a provider MakeSambaProvider made (-1 for any other provider).
long NetRuns(const std::shared_ptr<directory::DirectoryProvider>& provider);

}  // namespace moxtrel::backends::samba
