// Directory: the script's handle on the embedded directory, for demos that need something to
// happen that no client can cause, such as a print job arriving and finishing spooling.
//
//   job = Directory.SubmitJob("WinNT://CORP/PRN1/Laser", "report.pdf", "alice", 12)
//   Directory.FinishSpooling job
#pragma once

#include <memory>

#include "host_object.h"

namespace moxtrel::directory {
class MemoryDirectory;
}

namespace moxtrel::script {

class DirectoryHooks final : public HostObject {
 public:
  explicit DirectoryHooks(std::shared_ptr<directory::MemoryDirectory> dir) : dir_(std::move(dir)) {}

  std::u16string_view TypeName() const noexcept override { return u"Directory"; }
  Variant Call(std::u16string_view member, uint16_t flags, std::vector<Variant>& args) override;
  std::vector<std::string> Describe() const override;

 private:
  std::shared_ptr<directory::MemoryDirectory> dir_;
};

}  // namespace moxtrel::script
