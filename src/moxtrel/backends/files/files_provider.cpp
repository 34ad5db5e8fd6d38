#include "moxtrel/backends/files/files_provider.h"

#include "moxtrel/backends/files/files_context.h"
#include "moxtrel/backends/files/files_handles.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel::backends::files {
namespace {

class FilesProvider final : public directory::DirectoryProvider {
 public:
  explicit FilesProvider(FilesOptions options)
      : ctx_(std::make_shared<FilesContext>(std::move(options))) {}

  std::shared_ptr<directory::IADs> GetObject(std::u16string_view path) override {
    return MakeFilesHandle(ctx_, ctx_->Resolve(path));
  }

 private:
  ContextPtr ctx_;
};

}  // namespace

std::shared_ptr<directory::DirectoryProvider> MakeFilesProvider(FilesOptions options) {
  if (options.computer.empty()) {
    throw AutomationError(errc::kInvalidArg, u"The files backend needs the computer's name");
  }
  if (options.root.empty()) options.root.push_back('/');
  return std::make_shared<FilesProvider>(std::move(options));
}

}  // namespace moxtrel::backends::files
