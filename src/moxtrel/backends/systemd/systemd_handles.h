// Handles the systemd provider hands out: the computer (holding only its services) and the
// services. A service handle asks the manager at every get; puts are checked at once and staged
// until SetInfo writes them, all in one drop-in, then reloads the manager.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "moxtrel/backends/systemd/service_mapping.h"
#include "moxtrel/backends/systemd/systemd_context.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/directory/partial_computer.h"
#include "moxtrel/directory/typed_properties.h"

namespace moxtrel::backends::systemd {

std::shared_ptr<directory::IADs> MakeSystemdHandle(const ContextPtr& ctx, const Target& target);

class SystemdComputer final : public directory::PartialComputer {
 public:
  explicit SystemdComputer(ContextPtr ctx);

  std::unique_ptr<directory::IADsEnum> NewEnum() override;
  // A service that exists once its SetInfo has written its unit file into unit_dir.
  std::shared_ptr<directory::IADs> Create(std::u16string_view class_word,
                                          std::u16string_view name) override;
  // Removes a stopped service whose unit file is in unit_dir, with its drop-ins and links.
  void Delete(std::u16string_view class_word, std::u16string_view name) override;

 private:
  ContextPtr ctx_;
};

class SystemdService final : public directory::ServiceProperties {
 public:
  // `created`: made by Create, so nothing exists until SetInfo.
  SystemdService(ContextPtr ctx, std::string unit, bool created = false)
      : ctx_(std::move(ctx)), unit_(std::move(unit)), created_(created) {}

  std::u16string Name() override;
  std::u16string Class() override { return u"Service"; }
  std::u16string GUID() override { return u""; }
  std::u16string ADsPath() override { return ctx_->ServicePath(unit_); }
  std::u16string Parent() override { return ctx_->address().Path(); }
  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override;

  void Start() override;
  void Stop() override;
  void Pause() override;
  void Continue() override;
  void SetPassword(std::u16string_view password) override;

 private:
  // The unit as the manager holds it now; errc::kNoSuchObject once it is gone.
  void RequireLoaded();
  // The services among the unit's Requires and Wants, as unit names, in order.
  std::vector<std::string> DependencyUnits();
  using Staged = std::map<ServiceField, Variant>;
  void WriteDropIn(const Staged& staged);
  void WriteStartType(int32_t start_type);
  void CreateUnit(const Staged& staged);
  Variant StagedOrDefault(ServiceField field);

  ContextPtr ctx_;
  std::string unit_;
  bool created_;
  // Checked values by field, as they will be written.
  Staged staged_;
};

}  // namespace moxtrel::backends::systemd
