#include "moxtrel/backends/ldap/ldap_provider.h"

#include "moxtrel/backends/ldap/ldap_context.h"
#include "moxtrel/backends/ldap/ldap_handles.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel::backends::ldap {
namespace {

class LdapProvider final : public directory::DirectoryProvider {
 public:
  explicit LdapProvider(LdapOptions options)
      : ctx_(std::make_shared<LdapContext>(std::move(options))) {}

  std::shared_ptr<directory::IADs> GetObject(std::u16string_view path) override {
    return MakeLdapHandle(ctx_, ctx_->Resolve(path));
  }

 private:
  ContextPtr ctx_;
};

}  // namespace

std::shared_ptr<directory::DirectoryProvider> MakeLdapProvider(LdapOptions options) {
  auto refuse = [](std::u16string_view why) {
    throw AutomationError(errc::kInvalidArg, u"The LDAP backend needs " + std::u16string(why));
  };
  if (options.domain.empty()) refuse(u"the domain's name");
  if (options.url.empty()) refuse(u"the directory's URL");
  if (options.base.empty()) refuse(u"the base DN");
  if (options.page_size < 0) refuse(u"a page size of 0 (no paging) or more");
  return std::make_shared<LdapProvider>(std::move(options));
}

}  // namespace moxtrel::backends::ldap
