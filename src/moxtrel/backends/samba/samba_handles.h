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
#include "moxtrel/directory/class_filter.h"
#include "moxtrel/directory/partial_computer.h"
#include "moxtrel/directory/typed_properties.h"

namespace moxtrel::backends::samba {

std::shared_ptr<directory::IADs> MakeSambaHandle(const ContextPtr& ctx, const Target& target);

// The computer as the file server holds it: its file service, and nothing more.
class SambaComputer final : public directory::PartialComputer {
 public:
  explicit SambaComputer(ContextPtr ctx);

  std::unique_ptr<directory::IADsEnum> NewEnum() override;

 private:
  ContextPtr ctx_;
};

class SambaFileService final : public directory::IADsFileService {
 public:
  explicit SambaFileService(ContextPtr ctx) : ctx_(std::move(ctx)) {}

  std::u16string Name() override { return std::u16string(directory::kFileServiceName); }
  std::u16string Class() override { return u"FileService"; }
  std::u16string GUID() override { return u""; }
  std::u16string ADsPath() override { return ctx_->ServicePath(); }
  std::u16string Parent() override { return ctx_->ComputerPath(); }
  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override {}

  void Filter(const Variant& class_words) override;
  Variant Filter() override { return filter_.value(); }
  std::unique_ptr<directory::IADsEnum> NewEnum() override;
  // A share that exists once its SetInfo has written it.
  std::shared_ptr<directory::IADs> Create(std::u16string_view class_word,
                                          std::u16string_view name) override;
  // Deletes a registry share at once; a share of smb.conf itself is refused.
  void Delete(std::u16string_view class_word, std::u16string_view name) override;
  std::shared_ptr<directory::IADs> MoveHere(std::u16string_view source_path,
                                            std::u16string_view new_name) override;

 private:
  ContextPtr ctx_;
  directory::ClassFilter filter_;
};

class SambaShare final : public directory::FileShareProperties {
 public:
  // `created`: made by Create, so nothing exists until SetInfo. `read`: the share as finding
  // or listing it read it.
  SambaShare(ContextPtr ctx, std::string name, bool created = false,
             std::optional<ShareRead> read = std::nullopt)
      : ctx_(std::move(ctx)), name_(std::move(name)), created_(created), read_(std::move(read)) {}

  std::u16string Name() override;
  std::u16string Class() override { return u"FileShare"; }
  std::u16string GUID() override { return u""; }
  std::u16string ADsPath() override { return ctx_->SharePath(name_); }
  std::u16string Parent() override { return ctx_->ServicePath(); }
  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override;

 private:
  // Checked values, in the order they were put, by smb.conf parameter.
  using Staged = std::vector<std::pair<const ShareProperty*, std::string>>;

  // The share as the configuration holds it now; errc::kNoSuchObject once it is gone.
  ShareInfo Read();
  void Create(const Staged& staged);

  ContextPtr ctx_;
  std::string name_;
  bool created_;
  std::optional<ShareRead> read_;
  Staged staged_;
};

}  // namespace moxtrel::backends::samba
