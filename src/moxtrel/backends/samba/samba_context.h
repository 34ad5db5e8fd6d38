// SambaContext: what the Samba provider and every handle it gives out share: the options, the
// configuration readers, the canonical paths, and the resolution of a path to one object.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/backends/samba/net_conf.h"
#include "moxtrel/backends/samba/samba_provider.h"
#include "moxtrel/backends/samba/share_mapping.h"
#include "moxtrel/backends/samba/smb_status.h"
#include "moxtrel/directory/computer_address.h"
#include "moxtrel/directory/path.h"

namespace moxtrel::backends::samba {

struct Target {
  directory::ObjectKind kind;
  std::string share;  // as the configuration spells it; empty for the computer and file service
};

class SambaContext {
 public:
  explicit SambaContext(SambaOptions options);

  const SambaOptions& options() const noexcept { return options_; }
  NetConf& net() noexcept { return net_; }
  SmbStatus& status() noexcept { return status_; }

  const directory::ComputerAddress& address() const noexcept { return address_; }
  const std::u16string& ComputerPath() const noexcept { return address_.Path(); }
  std::u16string ComputerParent() const { return address_.Parent(); }
  std::u16string ServicePath() const;
  std::u16string SharePath(std::string_view share) const;

  // The object a path names, checked against the configuration; errc::kNoSuchObject otherwise.
  Target Resolve(std::u16string_view path);

  // Every file share: smb.conf's own first, then the registry's (one run of net).
  std::vector<ShareInfo> Shares();
  // One share by name, without regard to case: smb.conf's own, else the registry's.
  std::optional<ShareInfo> Share(std::string_view name);
  // A share smb.conf itself defines (no run of net).
  std::optional<ShareInfo> FileShare(std::string_view name) const;

 private:
  [[noreturn]] void Foreign(std::u16string_view path, std::u16string_view why) const;
  // The registry's spelling of `name` when the last listing, made less than kListingVouches ago
  // with no write since, held it.
  std::optional<std::string> Listed(std::string_view name);

  // A listing vouches for its shares this long: binding each share a listing returned (as a
  // collection's refresh does) then costs no run of net. A share deleted behind the backend's
  // back in that time binds, and its first read reports it gone.
  static constexpr std::chrono::milliseconds kListingVouches{1000};

  SambaOptions options_;
  NetConf net_;
  SmbStatus status_;
  directory::ComputerAddress address_;
  std::mutex listing_lock_;
  std::vector<std::string> listed_;
  std::chrono::steady_clock::time_point listed_at_;
  long listed_writes_ = -1;
};

using ContextPtr = std::shared_ptr<SambaContext>;

}  // namespace moxtrel::backends::samba
