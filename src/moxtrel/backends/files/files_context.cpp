#include "moxtrel/backends/files/files_context.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::files {

using directory::ObjectKind;

FilesContext::FilesContext(FilesOptions options)
    : options_(std::move(options)), store_(options_.root, options_.lock_wait) {
  computer_path_ = std::u16string(directory::kPathPrefix) +
                   (options_.domain.empty() ? u"" : options_.domain + u"/") + options_.computer;
}

std::u16string FilesContext::ComputerParent() const {
  return options_.domain.empty() ? u"WinNT:"
                                 : std::u16string(directory::kPathPrefix) + options_.domain;
}

std::u16string FilesContext::AccountPath(std::string_view name) const {
  return computer_path_ + u"/" + FromUtf8(name);
}

void FilesContext::Foreign(std::u16string_view path, std::u16string_view why) const {
  throw AutomationError(errc::kNoSuchObject,
                        u"There is no object at " + std::u16string(path) + u": " +
                            std::u16string(why) + u"; the files backend serves only the local " +
                            u"users and groups of the computer " + computer_path_);
}

Target FilesContext::Resolve(std::u16string_view path) {
  directory::ParsedPath parsed = directory::ParsePath(path);
  const auto& c = parsed.components;
  if (parsed.kind && *parsed.kind != ObjectKind::kComputer && *parsed.kind != ObjectKind::kUser &&
      *parsed.kind != ObjectKind::kGroup) {
    Foreign(path, u"it names a " + std::u16string(directory::KindNoun(*parsed.kind)));
  }
  std::size_t base = 0;
  if (EqualsNoCase(c[0], options_.computer)) {
    base = 1;
  } else if (!options_.domain.empty() && c.size() >= 2 && EqualsNoCase(c[0], options_.domain) &&
             EqualsNoCase(c[1], options_.computer)) {
    base = 2;
  }
  if (base == 0) Foreign(path, u"it names another computer or domain");
  if (c.size() == base) {
    if (parsed.kind && *parsed.kind != ObjectKind::kComputer) {
      Foreign(path,
              u"it names the computer, not a " + std::u16string(directory::KindNoun(*parsed.kind)));
    }
    return {ObjectKind::kComputer, ""};
  }
  if (c.size() > base + 1 || (parsed.kind && *parsed.kind == ObjectKind::kComputer)) {
    Foreign(path, u"it names an object inside the computer other than a user or group");
  }
  const std::string name = ToUtf8(c[base]);
  auto files = store_.Read();
  if (!parsed.kind || *parsed.kind == ObjectKind::kUser) {
    if (auto row = files->passwd.Find(name)) {
      return {ObjectKind::kUser, files->passwd.rows[*row][kPwName]};
    }
  }
  if (!parsed.kind || *parsed.kind == ObjectKind::kGroup) {
    if (auto row = files->group.Find(name)) {
      return {ObjectKind::kGroup, files->group.rows[*row][kGrName]};
    }
  }
  if (!parsed.kind && EqualsNoCase(c[base], directory::kFileServiceName)) {
    Foreign(path, u"it names the file service");
  }
  const char* file = parsed.kind && *parsed.kind == ObjectKind::kGroup ? "etc/group"
                     : parsed.kind                                     ? "etc/passwd"
                                                                       : "etc/passwd or etc/group";
  throw AutomationError(errc::kNoSuchObject, u"There is no object at " + std::u16string(path) +
                                                 u": " + FromUtf8(file) + u" lists no \"" +
                                                 c[base] + u"\"");
}

}  // namespace moxtrel::backends::files
