// The Samba backend's configuration: shares = "samba" on a computer, with its key
//   smb_conf = "/etc/samba/smb.conf"   the configuration `net conf` and smbd read
#pragma once

#include "moxtrel/directory/backend_registry.h"

namespace moxtrel::backends::samba {

directory::BackendType SambaBackendType();

}  // namespace moxtrel::backends::samba
