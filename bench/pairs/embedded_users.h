// Embedded directories of many accounts for the pairs that measure the library against its own
// provider: a domain CORP holding user0, user1, ... each with a full name, built in memory or
// written as a seed file for clients that load one (the Python module).
//
//   auto dir = EmbeddedUsers(100000);
//   WriteEmbeddedUsersSeed(100000, "/tmp/users.json");
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "moxtrel/frame/text.h"
#include "moxtrel/memory/memory_directory.h"

namespace moxtrel::bench {

inline std::shared_ptr<directory::MemoryDirectory> EmbeddedUsers(int64_t count) {
  auto dir = directory::MemoryDirectory::Create();
  directory::DirectoryBuilder b(*dir);
  const std::u16string corp = b.AddDomain(u"CORP");
  for (int64_t i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    b.AddUser(corp, FromUtf8("user" + n), {{u"FullName", Variant(FromUtf8("User " + n))}});
  }
  return dir;
}

// The same directory as a JSON seed file.
inline void WriteEmbeddedUsersSeed(int64_t count, const std::string& path) {
  std::ofstream out(path, std::ios::trunc);
  out << "{\"domains\": [{\"name\": \"CORP\", \"users\": [\n";
  for (int64_t i = 0; i < count; ++i) {
    out << (i ? ",\n" : "") << "{\"name\": \"user" << i << "\", \"FullName\": \"User " << i
        << "\"}";
  }
  out << "]}]}\n";
  if (!out.flush()) throw std::runtime_error("cannot write the seed " + path);
}

}  // namespace moxtrel::bench
