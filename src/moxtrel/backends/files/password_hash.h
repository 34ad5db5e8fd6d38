// Hashing a password with crypt(3) in the method login.defs names in ENCRYPT_METHOD.
//
//   std::string hash = HashPassword("s3cret", ReadLoginDefs(root));   // "$y$j9T$..."
#pragma once

#include <string>

#include "moxtrel/backends/files/settings_files.h"

namespace moxtrel::backends::files {

// The crypt setting prefix for an ENCRYPT_METHOD ("YESCRYPT" -> "$y$"); throws for an unknown one.
std::string MethodPrefix(const std::string& method);

// Throws AutomationError when the method is unknown or crypt fails; the password is never part
// of a message.
std::string HashPassword(const std::string& password, const Settings& login_defs);

}  // namespace moxtrel::backends::files
