#include "moxtrel/backends/ldap/ldap_provider.h"

#include "moxtrel/backends/ldap/ldap_connection.h"
#include "moxtrel/backends/ldap/ldap_context.h"
#include "moxtrel/backends/ldap/ldap_handles.h"
#include "moxtrel/directory/context_provider.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::ldap {

using LdapProvider = directory::ContextProvider<LdapContext, MakeLdapHandle>;

std::shared_ptr<directory::DirectoryProvider> MakeLdapProvider(LdapOptions options) {
  auto refuse = [](std::u16string_view why) {
    throw AutomationError(errc::kInvalidArg, u"The LDAP backend needs " + std::u16string(why));
  };
  if (options.domain.empty()) refuse(u"the domain's name");
  if (options.url.empty()) refuse(u"the directory's URL");
  if (options.base.empty()) refuse(u"the base DN");
  if (options.page_size < 0) refuse(u"a page size of 0 (no paging) or more");
  // The URL is not echoed: it would print the password.
  if (UrlHoldsUserInfo(options.url)) {
    refuse(u"a URL without user information (\"user:password@\"): give the password apart");
  }
  // A DN with an empty password is an unauthenticated bind, which servers may grant silently
  // as anonymous.
  if (!options.bind_dn.empty() && options.password.empty() && !options.sasl_external) {
    refuse(u"a password for the bind DN \"" + FromUtf8(options.bind_dn) + u"\" (it is empty)");
  }
  if (!options.password.empty() && !options.sasl_external && !options.allow_plaintext &&
      ClearTransport(options)) {
    throw AutomationError(errc::kAccessDenied,
                          u"The LDAP backend refuses to send the bind password in clear to " +
                              FromUtf8(options.url) +
                              u": the connection is neither ldaps:// nor StartTLS (use ldaps://, "
                              u"set start_tls = true, or allow_plaintext = true, which is unsafe)");
  }
  return std::make_shared<LdapProvider>(std::move(options));
}

}  // namespace moxtrel::backends::ldap
