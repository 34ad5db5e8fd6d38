// The file share backends for one suite: the embedded directory and a private smbd, each
// holding the computer kComputer with the shares
//   Public  (a folder "public", "Public files", no user limit) and
//   Data    (a folder "data", "Team data", at most 5 users).
// Folder() gives a folder a new share may serve; Connect() a client connected to a share.
//
//   class SharesSuite : public ShareTest {};
//   INSTANTIATE_TEST_SUITE_P(Backends, SharesSuite, ::testing::ValuesIn(ShareBackends()),
//                            BackendName);
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/backend_suite.h"
#include "support/smbd_server.h"

namespace moxtrel::testing {

class ShareBackend : public Backend {
 public:
  // Empty when the backend can run here; else why the test is skipped.
  virtual std::string SkipReason() { return {}; }
  // A folder that exists, for a share to serve.
  virtual std::u16string Folder(const std::string& name) = 0;
  // A client connected to `share`, counted in its CurrentUserCount; nullptr where the backend
  // has no server to connect to. Throws std::runtime_error when the share is not served.
  virtual std::unique_ptr<SmbClient> Connect(const std::u16string& share) = 0;
};

// The embedded directory, and smbd (skipped where Samba is not installed). The smbd is started
// once for the test program; each backend starts from the seeded shares.
std::vector<BackendFactory> ShareBackends();

}  // namespace moxtrel::testing
