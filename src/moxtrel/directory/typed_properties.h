// The typed properties of the provider interfaces, written once over IADs::Get and IADs::Put.
// A handle that keeps its properties by name derives from these and supplies Get, Put, SetInfo
// and the operations; every typed get or put is then exactly the untyped one.
//
//   class MyUser final : public directory::UserProperties {
//     Variant Get(std::u16string_view name) override;   // FullName() reads Get(u"FullName")
//     ...
//   };
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "moxtrel/directory/ads.h"

namespace moxtrel::directory {

namespace detail {
// Shared spellings of the typed get and put.
struct Typed {
  static std::u16string Text(IADs& o, std::u16string_view n) { return o.Get(n).ToString(); }
  static int32_t Long(IADs& o, std::u16string_view n) { return o.Get(n).ToLong(); }
  static bool Bool(IADs& o, std::u16string_view n) { return o.Get(n).ToBool(); }
  static Date When(IADs& o, std::u16string_view n) { return o.Get(n).ToDate(); }
  static void Text(IADs& o, std::u16string_view n, std::u16string_view v) {
    o.Put(n, Variant(std::u16string(v)));
  }
  static void Long(IADs& o, std::u16string_view n, int32_t v) { o.Put(n, Variant(v)); }
  static void Bool(IADs& o, std::u16string_view n, bool v) { o.Put(n, Variant::Boolean(v)); }
  static void When(IADs& o, std::u16string_view n, Date v) { o.Put(n, Variant(v)); }
};
}  // namespace detail

// A read-only property `Name` of C++ type `Type`, read as `kind` (Text, Long, Bool, When); and
// read-write ones by value type.
#define MOX_RO(Name, Type, kind)                  \
  Type Name() override {                          \
    return detail::Typed::kind(*this, u"" #Name); \
  }
#define MOX_RW(Name, Type, Arg, kind)         \
  MOX_RO(Name, Type, kind)                    \
  void Name(Arg v) override {                 \
    detail::Typed::kind(*this, u"" #Name, v); \
  }
#define MOX_TEXT(Name) MOX_RW(Name, std::u16string, std::u16string_view, Text)
#define MOX_LONG(Name) MOX_RW(Name, int32_t, int32_t, Long)
#define MOX_BOOL(Name) MOX_RW(Name, bool, bool, Bool)
#define MOX_DATE(Name) MOX_RW(Name, Date, Date, When)

class UserProperties : public IADsUser {
 public:
  MOX_BOOL(AccountDisabled)
  MOX_DATE(AccountExpirationDate)
  MOX_BOOL(IsAccountLocked)
  MOX_TEXT(Description)
  MOX_TEXT(FullName)
  MOX_TEXT(HomeDirectory)
  MOX_RO(LastLogin, Date, When)
  MOX_RO(LastLogoff, Date, When)
  MOX_TEXT(LoginScript)
  MOX_LONG(MaxStorage)
  MOX_DATE(PasswordExpirationDate)
  MOX_RO(PasswordMinimumLength, int32_t, Long)
  MOX_BOOL(PasswordRequired)
  MOX_TEXT(Profile)
};

class GroupProperties : public IADsGroup {
 public:
  MOX_TEXT(Description)
};

class ComputerProperties : public IADsComputer {
 public:
  MOX_RO(Division, std::u16string, Text)
  MOX_RO(OperatingSystem, std::u16string, Text)
  MOX_RO(OperatingSystemVersion, std::u16string, Text)
  MOX_RO(Owner, std::u16string, Text)
  MOX_RO(Processor, std::u16string, Text)
  MOX_RO(ProcessorCount, std::u16string, Text)
};

class FileShareProperties : public IADsFileShare {
 public:
  MOX_RO(CurrentUserCount, int32_t, Long)
  MOX_TEXT(Description)
  MOX_RO(HostComputer, std::u16string, Text)
  MOX_TEXT(Path)
  MOX_LONG(MaxUserCount)
};

class PrintQueueProperties : public IADsPrintQueue {
 public:
  MOX_RO(PrinterPath, std::u16string, Text)
  MOX_TEXT(Model)
  MOX_TEXT(Datatype)
  MOX_TEXT(PrintProcessor)
  MOX_TEXT(Description)
  MOX_TEXT(Location)
  MOX_DATE(StartTime)
  MOX_DATE(UntilTime)
  MOX_LONG(DefaultJobPriority)
  MOX_LONG(Priority)
  Variant PrintDevices() override { return Get(u"PrintDevices"); }
};

// A job's properties and its state (Status, Position, PagesPrinted); Pause and Resume are the
// handle's own.
class PrintJobProperties : public IADsPrintJob, public IADsPrintJobOperations {
 public:
  MOX_RO(HostPrintQueue, std::u16string, Text)
  MOX_RO(User, std::u16string, Text)
  MOX_RO(TimeSubmitted, Date, When)
  MOX_RO(TotalPages, int32_t, Long)
  MOX_RO(Size, int32_t, Long)
  MOX_TEXT(Description)
  MOX_LONG(Priority)
  MOX_DATE(StartTime)
  MOX_DATE(UntilTime)
  MOX_TEXT(Notify)
  MOX_RO(Status, int32_t, Long)
  MOX_LONG(Position)
  MOX_RO(PagesPrinted, int32_t, Long)
};

// A service's properties and its Status; the run-state operations are the handle's own.
class ServiceProperties : public IADsService, public IADsServiceOperations {
 public:
  MOX_RO(HostComputer, std::u16string, Text)
  MOX_TEXT(DisplayName)
  MOX_LONG(ServiceType)
  MOX_LONG(StartType)
  MOX_TEXT(Path)
  MOX_LONG(ErrorControl)
  MOX_TEXT(LoadOrderGroup)
  MOX_TEXT(ServiceAccountName)
  MOX_RO(Status, int32_t, Long)
  Variant Dependencies() override { return Get(u"Dependencies"); }
  void Dependencies(const Variant& v) override { Put(u"Dependencies", v); }
};

#undef MOX_RO
#undef MOX_RW
#undef MOX_TEXT
#undef MOX_LONG
#undef MOX_BOOL
#undef MOX_DATE

}  // namespace moxtrel::directory
