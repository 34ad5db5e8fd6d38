#include "moxtrel/backends/files/files_provider.h"

#include "moxtrel/backends/files/files_context.h"
#include "moxtrel/backends/files/files_handles.h"
#include "moxtrel/directory/context_provider.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel::backends::files {

using FilesProvider = directory::ContextProvider<FilesContext, MakeFilesHandle>;

std::shared_ptr<directory::DirectoryProvider> MakeFilesProvider(FilesOptions options) {
  if (options.computer.empty()) {
    throw AutomationError(errc::kInvalidArg, u"The files backend needs the computer's name");
  }
  if (options.root.empty()) options.root.push_back('/');
  return std::make_shared<FilesProvider>(std::move(options));
}

}  // namespace moxtrel::backends::files
