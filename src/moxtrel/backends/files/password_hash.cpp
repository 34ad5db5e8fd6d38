#include "moxtrel/backends/files/password_hash.h"

#include <crypt.h>
#include <string.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::files {

std::string MethodPrefix(const std::string& method) {
  if (method == "YESCRYPT") return "$y$";
  if (method == "SHA512") return "$6$";
  if (method == "SHA256") return "$5$";
  if (method == "BCRYPT") return "$2b$";
  if (method == "MD5") return "$1$";
  throw AutomationError(errc::kNotSupported,
                        FromUtf8("etc/login.defs: ENCRYPT_METHOD " + method +
                                 " is not supported by the files backend (use YESCRYPT, SHA512, "
                                 "SHA256, BCRYPT or MD5)"));
}

std::string HashPassword(const std::string& password, const Settings& login_defs) {
  const std::string method = login_defs.Text("ENCRYPT_METHOD", "YESCRYPT");
  const std::string prefix = MethodPrefix(method);
  unsigned long count = 0;
  if (method == "YESCRYPT")
    count = static_cast<unsigned long>(login_defs.Number("YESCRYPT_COST_FACTOR", 0));
  if (method == "SHA512" || method == "SHA256") {
    count = static_cast<unsigned long>(login_defs.Number("SHA_CRYPT_MIN_ROUNDS", 0));
  }
  char setting[CRYPT_GENSALT_OUTPUT_SIZE];
  if (!crypt_gensalt_rn(prefix.c_str(), count, nullptr, 0, setting, sizeof setting)) {
    throw AutomationError(errc::kFail, FromUtf8("crypt_gensalt for ENCRYPT_METHOD " + method +
                                                " failed: " + std::strerror(errno)));
  }
  auto data = std::make_unique<crypt_data>();
  std::memset(data.get(), 0, sizeof(crypt_data));
  const char* hash = crypt_rn(password.c_str(), setting, data.get(), sizeof(crypt_data));
  std::string out = hash && hash[0] != '*' ? std::string(hash) : std::string();
  // The buffer held the password; clear it before it is freed.
  explicit_bzero(data.get(), sizeof(crypt_data));
  if (out.empty()) {
    throw AutomationError(
        errc::kFail, FromUtf8("crypt failed to hash a password with ENCRYPT_METHOD " + method));
  }
  return out;
}

}  // namespace moxtrel::backends::files
