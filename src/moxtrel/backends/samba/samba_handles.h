// Handles the Samba provider hands out: the computer (holding only its file service), the file
// service (the container of the shares) and the shares. A share handle reads the configuration
// at every get, except that what its bind or listing read serves its gets while the provider
// vouches for it (SambaContext::Vouches); puts are checked at once and staged until SetInfo
// writes them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "moxtrel/backends/samba/samba_context.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/directory/backend_handle.h"
#include "moxtrel/directory/filtered_container.h"
#include "moxtrel/directory/partial_computer.h"
#include "moxtrel/directory/typed_properties.h"

namespace moxtrel::backends::samba {

std::shared_ptr<directory::IADs> MakeSambaHandle(const ContextPtr& ctx, const Target& target);

// The computer as the file server holds it: its file service, and nothing more.
class SambaComputer final
    : public directory::ContextComputer<SambaContext, directory::PartialComputer> {
 public:
  static constexpr directory::ObjectKind kLists[] = {directory::ObjectKind::kFileService};
  // The file service refuses what it does not hold by it too.
  static constexpr directory::ServedPart kServed{u"the Samba backend",
                                                 u"the computer's file shares",
                                                 u"the file service and its shares", kLists};

  explicit SambaComputer(ContextPtr ctx) : ContextComputer(std::move(ctx), kServed) {}

  std::unique_ptr<directory::IADsEnum> NewEnum() override;
};

// The file service: Create makes a share that exists once its SetInfo has written it; Delete
// deletes a registry share at once and refuses a share of smb.conf itself.
class SambaFileService final
    : public directory::IADsFileService,
      public directory::PlacedHandle<SambaContext, &SambaContext::ComputerPath>,
      public directory::FilteredContainer {
 public:
  explicit SambaFileService(ContextPtr ctx)
      : PlacedHandle(std::move(ctx), directory::ObjectKind::kFileService) {}

  std::u16string Name() override { return std::u16string(directory::kFileServiceName); }
  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override {}

  MOX_CONTAINER_MEMBERS
};

class SambaShare final : public directory::FileShareProperties,
                         public directory::NamedHandle<SambaContext, &SambaContext::ServicePath> {
 public:
  // `created`: made by Create, so nothing exists until SetInfo. `read`: the share as finding
  // or listing it read it.
  SambaShare(ContextPtr ctx, std::string name, bool created = false,
             std::optional<ShareRead> read = std::nullopt)
      : NamedHandle(std::move(ctx), directory::ObjectKind::kFileShare, std::move(name)),
        created_(created),
        read_(std::move(read)) {}

  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override;

 private:
  // Checked values, in the order they were put, by smb.conf parameter.
  using Staged = std::vector<std::pair<const ShareProperty*, std::string>>;

  // The share as the configuration holds it now; errc::kNoSuchObject once it is gone.
  ShareInfo Read();
  void Create(const Staged& staged);

  bool created_;
  std::optional<ShareRead> read_;
  Staged staged_;
};

}  // namespace moxtrel::backends::samba
