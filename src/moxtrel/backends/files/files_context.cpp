#include "moxtrel/backends/files/files_context.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::files {

using directory::ObjectKind;

FilesContext::FilesContext(FilesOptions options)
    : options_(std::move(options)),
      store_(options_.root, options_.lock_wait),
      address_(options_.domain, options_.computer) {}

std::u16string AccountName(std::string_view name) {
  return FieldText(name);
}

std::u16string FilesContext::AccountPath(std::string_view name) const {
  // The computer's path, "/" and the name, as ComputerAddress::ChildPath makes it; made here in
  // one string since every listed account needs one.
  const std::u16string& computer = ComputerPath();
  std::u16string path;
  path.reserve(computer.size() + 1 + name.size());  // room for an ASCII name
  path += computer;
  path += u'/';
  AppendFieldText(path, name);
  return path;
}

void FilesContext::Foreign(std::u16string_view path, std::u16string_view why) const {
  address_.NotServed(path, why, u"the files backend", u"the local users and groups");
}

Target FilesContext::Resolve(std::u16string_view path) {
  // All four are checked, so that a bind fails while any of them cannot be read.
  return Resolve(path, store_.View(kAllFiles));
}

Target FilesContext::Resolve(std::u16string_view path, const AccountView& files) {
  directory::ParsedPath parsed = directory::ParsePath(path);
  const auto& c = parsed.components;
  if (parsed.kind && *parsed.kind != ObjectKind::kComputer && *parsed.kind != ObjectKind::kUser &&
      *parsed.kind != ObjectKind::kGroup) {
    Foreign(path, u"it names a " + std::u16string(directory::KindNoun(*parsed.kind)));
  }
  const std::size_t base = address_.Match(c);
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
  if (!parsed.kind || *parsed.kind == ObjectKind::kUser) {
    if (auto row = files.passwd->Find(name)) {
      return {ObjectKind::kUser, std::string(files.passwd->Name(*row))};
    }
  }
  if (!parsed.kind || *parsed.kind == ObjectKind::kGroup) {
    if (auto row = files.group->Find(name)) {
      return {ObjectKind::kGroup, std::string(files.group->Name(*row))};
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
