// SmbStatus: how many connections a running smbd holds to each share, from smbstatus' JSON
// output (`smbstatus -s <smb.conf> --json --shares`), run as a child process.
//
//   SmbStatus status("/usr/bin/smbstatus", "/etc/samba/smb.conf", std::chrono::seconds(10));
//   int32_t n = status.Connections("docs");
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace moxtrel::backends::samba {

class SmbStatus {
 public:
  SmbStatus(std::string smbstatus, std::string smb_conf, std::chrono::milliseconds timeout);
  // Connections to `share` (compared without regard to case). Throws errc::kFail when
  // smbstatus fails or prints what cannot be read.
  int32_t Connections(std::string_view share);

 private:
  std::string smbstatus_, smb_conf_;
  std::chrono::milliseconds timeout_;
};

// The connections to `share` in smbstatus' JSON text; throws errc::kFail for other text.
int32_t CountConnections(std::string_view json, std::string_view share);

}  // namespace moxtrel::backends::samba
