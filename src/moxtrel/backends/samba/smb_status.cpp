#include "moxtrel/backends/samba/smb_status.h"

#include <nlohmann/json.hpp>

#include "moxtrel/backends/samba/command_runner.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::samba {

SmbStatus::SmbStatus(std::string smbstatus, std::string smb_conf, std::chrono::milliseconds timeout)
    : smbstatus_(std::move(smbstatus)), smb_conf_(std::move(smb_conf)), timeout_(timeout) {}

int32_t SmbStatus::Connections(std::string_view share) {
  const CommandResult r = RunCommand({smbstatus_, "-s", smb_conf_, "--json", "--shares"}, timeout_);
  if (r.exit_code != 0) {
    throw AutomationError(errc::kFail,
                          u"Reading the connections to the share " + FromUtf8(share) +
                              u": smbstatus failed: " +
                              FromUtf8(r.timed_out ? "it did not finish in time" : r.err + r.out));
  }
  return CountConnections(r.out, share);
}

int32_t CountConnections(std::string_view json, std::string_view share) {
  const auto doc = nlohmann::json::parse(json, nullptr, /*allow_exceptions=*/false);
  if (!doc.is_object()) {
    throw AutomationError(errc::kFail, u"smbstatus printed no JSON object");
  }
  const auto tcons = doc.find("tcons");
  if (tcons == doc.end()) return 0;  // no connection at all
  if (!tcons->is_object()) throw AutomationError(errc::kFail, u"smbstatus: tcons is no object");
  int32_t count = 0;
  const std::u16string wanted = FromUtf8(share);
  for (const auto& item : tcons->items()) {
    const auto& tcon = item.value();
    const auto service = tcon.is_object() ? tcon.find("service") : tcon.end();
    if (service != tcon.end() && service->is_string() &&
        EqualsNoCase(FromUtf8(service->get<std::string>()), wanted)) {
      ++count;
    }
  }
  return count;
}

}  // namespace moxtrel::backends::samba
