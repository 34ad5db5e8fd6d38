#include "moxtrel/backends/samba/samba_context.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::samba {

using directory::ObjectKind;

SambaContext::SambaContext(SambaOptions options)
    : options_(std::move(options)),
      net_(options_.net, options_.smb_conf, options_.timeout),
      status_(options_.smbstatus, options_.smb_conf, options_.timeout),
      address_(options_.domain, options_.computer) {}

std::u16string SambaContext::ServicePath() const {
  return address_.ChildPath(directory::kFileServiceName);
}

std::u16string SambaContext::SharePath(std::string_view share) const {
  return ServicePath() + u"/" + FromUtf8(share);
}

void SambaContext::Foreign(std::u16string_view path, std::u16string_view why) const {
  address_.NotServed(path, why, u"the Samba backend", u"the file shares");
}

Target SambaContext::Resolve(std::u16string_view path) {
  const directory::ParsedPath parsed = directory::ParsePath(path);
  const auto& c = parsed.components;
  const std::size_t base = address_.Match(c);
  if (base == 0) Foreign(path, u"it names another computer or domain");
  const std::size_t depth = c.size() - base;
  if (depth >= 1 && !EqualsNoCase(c[base], directory::kFileServiceName)) {
    Foreign(path, u"it names nothing a file server holds");
  }
  const ObjectKind want = depth == 0   ? ObjectKind::kComputer
                          : depth == 1 ? ObjectKind::kFileService
                                       : ObjectKind::kFileShare;
  if (depth > 2 || (parsed.kind && *parsed.kind != want)) {
    Foreign(path, parsed.kind ? u"it names a " + std::u16string(directory::KindNoun(*parsed.kind))
                              : u"it names nothing a file server holds");
  }
  if (depth < 2) return {want, "", std::nullopt};
  if (auto listed = Listed(ToUtf8(c[base + 1]))) {
    std::string name = listed->info.name;
    return {ObjectKind::kFileShare, std::move(name), std::move(listed)};
  }
  auto share = Share(ToUtf8(c[base + 1]));
  if (!share) {
    throw AutomationError(errc::kNoSuchObject, u"There is no file share " + std::u16string(path));
  }
  std::string name = share->info.name;
  return {ObjectKind::kFileShare, std::move(name), std::move(share)};
}

long SambaContext::RunsBefore() const {
  const long runs = net_.Runs();
  // A run still going may write after this read: then the read vouches for nothing.
  return net_.Ended() == runs ? runs : -1;
}

ShareRead SambaContext::Stamp(ShareInfo info, long runs_before, long own_runs) const {
  ShareRead read{std::move(info), std::chrono::steady_clock::now(), -1};
  if (runs_before >= 0 && net_.Runs() == runs_before + own_runs) read.runs = runs_before + own_runs;
  return read;
}

bool SambaContext::Vouches(const ShareRead& read) const {
  return read.runs >= 0 && read.runs == net_.Runs() &&
         std::chrono::steady_clock::now() - read.at < kReadVouches;
}

std::optional<ShareRead> SambaContext::Listed(std::string_view name) {
  std::lock_guard<std::mutex> hold(listing_lock_);
  if (listed_writes_ != net_.Writes() ||
      std::chrono::steady_clock::now() - listed_at_ >= kListingVouches) {
    return std::nullopt;
  }
  const std::u16string wanted = FromUtf8(name);
  for (const auto& share : listed_) {
    if (EqualsNoCase(FromUtf8(share.info.name), wanted)) return share;
  }
  return std::nullopt;
}

std::optional<ShareInfo> SambaContext::FileShare(std::string_view name) const {
  const std::u16string wanted = FromUtf8(name);
  for (const auto& section : ReadSmbConf(options_.smb_conf)) {
    if (IsFileShare(section) && EqualsNoCase(FromUtf8(section.name), wanted)) {
      return ShareFromSection(section, true);
    }
  }
  return std::nullopt;
}

std::optional<ShareRead> SambaContext::Share(std::string_view name) {
  const long before = RunsBefore();
  if (auto own = FileShare(name)) return Stamp(std::move(*own), before, 0);
  auto section = net_.Show(std::string(name));
  if (!section || !IsFileShare(*section)) return std::nullopt;
  return Stamp(ShareFromSection(*section, false), before, 1);
}

std::vector<ShareRead> SambaContext::Shares() {
  const long before = RunsBefore();
  std::vector<ShareInfo> shares;
  for (const auto& section : ReadSmbConf(options_.smb_conf)) {
    if (IsFileShare(section)) shares.push_back(ShareFromSection(section, true));
  }
  const std::size_t own = shares.size();
  const long writes = net_.Writes();
  const auto sections = net_.List();
  for (const auto& section : sections) {
    if (!IsFileShare(section)) continue;
    bool shadowed = false;  // smb.conf's own definition is the one smbd serves
    for (std::size_t i = 0; i < own && !shadowed; ++i) {
      shadowed = EqualsNoCase(FromUtf8(shares[i].name), FromUtf8(section.name));
    }
    if (!shadowed) shares.push_back(ShareFromSection(section, false));
  }
  std::vector<ShareRead> reads;
  reads.reserve(shares.size());
  for (auto& share : shares) reads.push_back(Stamp(std::move(share), before, 1));
  std::lock_guard<std::mutex> hold(listing_lock_);
  listed_.assign(reads.begin() + static_cast<std::ptrdiff_t>(own), reads.end());
  listed_at_ = std::chrono::steady_clock::now();
  listed_writes_ = writes;
  return reads;
}

}  // namespace moxtrel::backends::samba
