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

// A share as one read of the configuration found it: what a listing or a bind read vouches for
// the share's gets for kReadVouches, as long as the provider ran net no more since.
struct ShareRead {
  ShareInfo info;
  std::chrono::steady_clock::time_point at;
  long runs = -1;  // the provider's runs of net when it was read; -1: vouches for nothing
};

struct Target {
  directory::ObjectKind kind;
  std::string share;  // as the configuration spells it; empty for the computer and file service
  std::optional<ShareRead> read;  // a share's definition, as finding it read it
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
  std::vector<ShareRead> Shares();
  // One share by name, without regard to case: smb.conf's own, else the registry's.
  std::optional<ShareRead> Share(std::string_view name);
  // Whether `read` still stands for the share: read less than kReadVouches ago, and no run of
  // net by this provider since (a write, or a read that may have seen something newer).
  bool Vouches(const ShareRead& read) const;
  // A share smb.conf itself defines (no run of net).
  std::optional<ShareInfo> FileShare(std::string_view name) const;

 private:
  [[noreturn]] void Foreign(std::u16string_view path, std::u16string_view why) const;
  // The registry's share `name` when the last listing, made less than kListingVouches ago
  // with no write since, held it.
  std::optional<ShareRead> Listed(std::string_view name);
  // Counts the runs of net before a read; Stamp then dates what the read found, vouching for it
  // only when no other run of net began or was still going meanwhile.
  long RunsBefore() const;
  ShareRead Stamp(ShareInfo info, long runs_before, long own_runs) const;

  // A listing vouches for its shares this long: binding each share a listing returned (as a
  // collection's refresh does) then costs no run of net. A share deleted behind the backend's
  // back in that time binds.
  static constexpr std::chrono::milliseconds kListingVouches{1000};
  // What a listing or bind read serves the share's gets this long, unless net ran since: a
  // share found and then read costs one run of net, not two. A change made behind the
  // backend's back in that time is seen once it is over.
  static constexpr std::chrono::milliseconds kReadVouches{1000};

  SambaOptions options_;
  NetConf net_;
  SmbStatus status_;
  directory::ComputerAddress address_;
  std::mutex listing_lock_;
  std::vector<ShareRead> listed_;
  std::chrono::steady_clock::time_point listed_at_;
  long listed_writes_ = -1;
};

using ContextPtr = std::shared_ptr<SambaContext>;

}  // namespace moxtrel::backends::samba
