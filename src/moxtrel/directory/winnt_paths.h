// Typed builders for the provider paths the object model binds, so the scheme, the separators
// and the class words are written in one place.
//
//   Bind<IADsDomain>(DomainPath(u"CORP"));                            // "WinNT://CORP,domain"
//   Bind<IADsGroup>(AccountPath(u"CORP/PC1", u"Admins", ObjectKind::kGroup));
//   Bind<IADsPrintQueue>(WithClass(job_queue_path, ObjectKind::kPrintQueue));
#pragma once

#include <string>
#include <string_view>

#include "moxtrel/directory/path.h"
#include "moxtrel/directory/winnt_path.h"

namespace moxtrel::directory {

static_assert(kScheme == kPathPrefix, "one scheme for building and parsing paths");

// The class word a bound path ends with (",user", ",FileShare"), spelt as the provider knows it.
constexpr std::u16string_view PathClassWord(ObjectKind kind) noexcept {
  switch (kind) {
    case ObjectKind::kDomain:
      return u"domain";
    case ObjectKind::kComputer:
      return u"computer";
    case ObjectKind::kUser:
      return u"user";
    case ObjectKind::kGroup:
      return u"group";
    case ObjectKind::kFileService:
      return u"FileService";
    case ObjectKind::kFileShare:
      return u"FileShare";
    case ObjectKind::kPrintQueue:
      return u"PrintQueue";
    case ObjectKind::kPrintJob:
      return u"PrintJob";
    case ObjectKind::kService:
      return u"service";
  }
  return u"";
}

// "WinNT://" + `name`: a container (a domain, or a domain "/" computer pair) without a class word.
inline std::u16string ScopePath(std::u16string_view name) {
  std::u16string path(kScheme);
  path += name;
  return path;
}

// `path` + "," + the class word of `kind`; `path` is a full path such as an ADsPath.
inline std::u16string WithClass(std::u16string_view path, ObjectKind kind) {
  std::u16string out(path);
  out += u',';
  out += PathClassWord(kind);
  return out;
}

inline std::u16string DomainPath(std::u16string_view domain) {
  return WithClass(ScopePath(domain), ObjectKind::kDomain);
}
inline std::u16string ComputerPath(std::u16string_view server) {
  return WithClass(ScopePath(server), ObjectKind::kComputer);
}
// A user or group (`kind`) held by `container`, a domain or a domain "/" computer pair.
inline std::u16string AccountPath(std::u16string_view container, std::u16string_view name,
                                  ObjectKind kind) {
  std::u16string path = ScopePath(container);
  path += u'/';
  path += name;
  return WithClass(path, kind);
}
inline std::u16string UserPath(std::u16string_view container, std::u16string_view name) {
  return AccountPath(container, name, ObjectKind::kUser);
}
inline std::u16string GroupPath(std::u16string_view container, std::u16string_view name) {
  return AccountPath(container, name, ObjectKind::kGroup);
}
// An object directly under a computer: a print queue or a service.
inline std::u16string QueuePath(std::u16string_view server, std::u16string_view name) {
  return AccountPath(server, name, ObjectKind::kPrintQueue);
}
inline std::u16string ServicePath(std::u16string_view server, std::u16string_view name) {
  return AccountPath(server, name, ObjectKind::kService);
}
// The computer's file service, and a share under it.
inline std::u16string FileServicePath(std::u16string_view server) {
  std::u16string path = ScopePath(server);
  path += u'/';
  path += kFileServiceName;
  return WithClass(path, ObjectKind::kFileService);
}
inline std::u16string SharePath(std::u16string_view server, std::u16string_view name) {
  std::u16string path = ScopePath(server);
  path += u'/';
  path += kFileServiceName;
  path += u'/';
  path += name;
  return WithClass(path, ObjectKind::kFileShare);
}

}  // namespace moxtrel::directory
