// The directory provider's interfaces, the calls the object model makes on directory objects.
// They mirror the WinNT namespace's published interface family: a bound object is reached as
// IADs and cast to the narrower interface it needs with As<I>(), which fails with
// errc::kNoInterface when the object does not implement it.
//
//   auto user = directory::Bind<directory::IADsUser>(u"WinNT://CORP/alice,user");
//   user->FullName(u"Alice Liddell");   // staged in the object's property cache
//   user->SetInfo();                    // committed
//
// Every call may throw AutomationError with the provider's status code. Property puts are
// staged in the bound object's cache until SetInfo; Delete, MoveHere, IADsGroup::Add/Remove,
// SetPassword and the *Operations methods act at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/date.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/variant.h"

namespace moxtrel::directory {

class IADs;

// Walks a container, a member list or a job list. Next() returns nullptr at the end; a
// failure part-way throws and leaves the walk where it was.
class IADsEnum {
 public:
  virtual ~IADsEnum() = default;
  virtual std::shared_ptr<IADs> Next() = 0;
  // How many more objects Next may yield, at most, or 0 when the walk cannot tell: lets a
  // listing size its store once. Never a call on the directory.
  virtual std::size_t Remaining() const { return 0; }
};

class IADs {
 public:
  virtual ~IADs() = default;
  virtual std::u16string Name() = 0;
  virtual std::u16string Class() = 0;
  virtual std::u16string GUID() = 0;
  virtual std::u16string ADsPath() = 0;
  virtual std::u16string Parent() = 0;
  // Named attributes ("UserFlags", "ObjectSID", ...); names compare without regard to case.
  virtual Variant Get(std::u16string_view name) = 0;
  virtual void Put(std::u16string_view name, const Variant& value) = 0;
  // Commits the staged properties; creates the object after IADsContainer::Create.
  virtual void SetInfo() = 0;
};

class IADsContainer : public virtual IADs {
 public:
  // A list of class words ("User", "Group", ...) that enumeration is limited to; an empty
  // variant clears the filter.
  virtual void Filter(const Variant& class_words) = 0;
  virtual Variant Filter() = 0;
  virtual std::unique_ptr<IADsEnum> NewEnum() = 0;
  // Creates an object that exists only after its SetInfo.
  virtual std::shared_ptr<IADs> Create(std::u16string_view class_word,
                                       std::u16string_view name) = 0;
  virtual void Delete(std::u16string_view class_word, std::u16string_view name) = 0;
  // Moves or renames the object at `source_path` into this container under `new_name`.
  virtual std::shared_ptr<IADs> MoveHere(std::u16string_view source_path,
                                         std::u16string_view new_name) = 0;
};

// A list of objects: group members, a user's groups.
class IADsMembers {
 public:
  virtual ~IADsMembers() = default;
  virtual std::unique_ptr<IADsEnum> NewEnum() = 0;
};

// A list that can be changed by name: a print queue's jobs.
class IADsCollection {
 public:
  virtual ~IADsCollection() = default;
  virtual std::unique_ptr<IADsEnum> NewEnum() = 0;
  virtual void Remove(std::u16string_view name) = 0;
};

class IADsDomain : public virtual IADsContainer {};

class IADsUser : public virtual IADs {
 public:
  virtual bool AccountDisabled() = 0;
  virtual void AccountDisabled(bool value) = 0;
  virtual Date AccountExpirationDate() = 0;
  virtual void AccountExpirationDate(Date value) = 0;
  virtual bool IsAccountLocked() = 0;
  virtual void IsAccountLocked(bool value) = 0;
  virtual std::u16string Description() = 0;
  virtual void Description(std::u16string_view value) = 0;
  virtual std::u16string FullName() = 0;
  virtual void FullName(std::u16string_view value) = 0;
  virtual std::u16string HomeDirectory() = 0;
  virtual void HomeDirectory(std::u16string_view value) = 0;
  virtual Date LastLogin() = 0;
  virtual Date LastLogoff() = 0;
  virtual std::u16string LoginScript() = 0;
  virtual void LoginScript(std::u16string_view value) = 0;
  virtual int32_t MaxStorage() = 0;
  virtual void MaxStorage(int32_t value) = 0;
  virtual Date PasswordExpirationDate() = 0;
  virtual void PasswordExpirationDate(Date value) = 0;
  virtual int32_t PasswordMinimumLength() = 0;
  virtual bool PasswordRequired() = 0;
  virtual void PasswordRequired(bool value) = 0;
  virtual std::u16string Profile() = 0;
  virtual void Profile(std::u16string_view value) = 0;
  // The groups this account belongs to.
  virtual std::shared_ptr<IADsMembers> Groups() = 0;
  virtual void SetPassword(std::u16string_view password) = 0;
};

class IADsGroup : public virtual IADs {
 public:
  virtual std::u16string Description() = 0;
  virtual void Description(std::u16string_view value) = 0;
  virtual std::shared_ptr<IADsMembers> Members() = 0;
  virtual bool IsMember(std::u16string_view path) = 0;
  virtual void Add(std::u16string_view path) = 0;
  virtual void Remove(std::u16string_view path) = 0;
};

class IADsComputer : public virtual IADsContainer {
 public:
  virtual std::u16string Division() = 0;
  virtual std::u16string OperatingSystem() = 0;
  virtual std::u16string OperatingSystemVersion() = 0;
  virtual std::u16string Owner() = 0;
  virtual std::u16string Processor() = 0;
  virtual std::u16string ProcessorCount() = 0;
};

class IADsComputerOperations : public virtual IADs {
 public:
  virtual void Shutdown(bool reboot) = 0;
};

// The "LanmanServer" file service; the container of a computer's shares.
class IADsFileService : public virtual IADsContainer {};

class IADsFileShare : public virtual IADs {
 public:
  virtual int32_t CurrentUserCount() = 0;
  virtual std::u16string Description() = 0;
  virtual void Description(std::u16string_view value) = 0;
  virtual std::u16string HostComputer() = 0;
  virtual std::u16string Path() = 0;
  virtual void Path(std::u16string_view value) = 0;
  virtual int32_t MaxUserCount() = 0;
  virtual void MaxUserCount(int32_t value) = 0;
};

class IADsPrintQueue : public virtual IADs {
 public:
  virtual std::u16string PrinterPath() = 0;
  virtual std::u16string Model() = 0;
  virtual void Model(std::u16string_view value) = 0;
  virtual std::u16string Datatype() = 0;
  virtual void Datatype(std::u16string_view value) = 0;
  virtual std::u16string PrintProcessor() = 0;
  virtual void PrintProcessor(std::u16string_view value) = 0;
  virtual std::u16string Description() = 0;
  virtual void Description(std::u16string_view value) = 0;
  virtual std::u16string Location() = 0;
  virtual void Location(std::u16string_view value) = 0;
  virtual Date StartTime() = 0;
  virtual void StartTime(Date value) = 0;
  virtual Date UntilTime() = 0;
  virtual void UntilTime(Date value) = 0;
  virtual int32_t DefaultJobPriority() = 0;
  virtual void DefaultJobPriority(int32_t value) = 0;
  virtual int32_t Priority() = 0;
  virtual void Priority(int32_t value) = 0;
  virtual Variant PrintDevices() = 0;
};

// Queue status flags; 1 means paused.
inline constexpr int32_t kQueueStatusPaused = 0x1;

class IADsPrintQueueOperations : public virtual IADs {
 public:
  virtual std::shared_ptr<IADsCollection> PrintJobs() = 0;
  virtual int32_t Status() = 0;
  // Holds every job until Resume; jobs may still be submitted.
  virtual void Pause() = 0;
  virtual void Resume() = 0;
  // Removes every job of the queue.
  virtual void Purge() = 0;
};

class IADsPrintJob : public virtual IADs {
 public:
  virtual std::u16string HostPrintQueue() = 0;
  virtual std::u16string User() = 0;
  virtual Date TimeSubmitted() = 0;
  virtual int32_t TotalPages() = 0;
  virtual int32_t Size() = 0;
  virtual std::u16string Description() = 0;
  virtual void Description(std::u16string_view value) = 0;
  virtual int32_t Priority() = 0;
  virtual void Priority(int32_t value) = 0;
  virtual Date StartTime() = 0;
  virtual void StartTime(Date value) = 0;
  virtual Date UntilTime() = 0;
  virtual void UntilTime(Date value) = 0;
  virtual std::u16string Notify() = 0;
  virtual void Notify(std::u16string_view value) = 0;
};

// Job status flags; 8 means the job is still spooling.
inline constexpr int32_t kJobStatusPaused = 0x1;
inline constexpr int32_t kJobStatusError = 0x2;
inline constexpr int32_t kJobStatusDeleting = 0x4;
inline constexpr int32_t kJobStatusSpooling = 0x8;
inline constexpr int32_t kJobStatusPrinting = 0x10;

class IADsPrintJobOperations : public virtual IADs {
 public:
  virtual int32_t Status() = 0;
  virtual int32_t Position() = 0;
  virtual void Position(int32_t value) = 0;
  virtual int32_t PagesPrinted() = 0;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
};

class IADsService : public virtual IADs {
 public:
  virtual std::u16string HostComputer() = 0;
  virtual std::u16string DisplayName() = 0;
  virtual void DisplayName(std::u16string_view value) = 0;
  virtual int32_t ServiceType() = 0;
  virtual void ServiceType(int32_t value) = 0;
  virtual int32_t StartType() = 0;
  virtual void StartType(int32_t value) = 0;
  virtual std::u16string Path() = 0;
  virtual void Path(std::u16string_view value) = 0;
  virtual int32_t ErrorControl() = 0;
  virtual void ErrorControl(int32_t value) = 0;
  virtual std::u16string LoadOrderGroup() = 0;
  virtual void LoadOrderGroup(std::u16string_view value) = 0;
  virtual std::u16string ServiceAccountName() = 0;
  virtual void ServiceAccountName(std::u16string_view value) = 0;
  // An array of service names (any lower bound) or a single name.
  virtual Variant Dependencies() = 0;
  virtual void Dependencies(const Variant& value) = 0;
};

class IADsServiceOperations : public virtual IADs {
 public:
  virtual int32_t Status() = 0;
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual void Pause() = 0;
  virtual void Continue() = 0;
  virtual void SetPassword(std::u16string_view password) = 0;
};

// The object as a narrower interface, or null when it has none.
//
// A cast from the virtual base IADs walks the class's bases and compares their names, and a
// listing casts every element it meets. Every object has one IADs, so the distance from it to
// the interface is fixed by the object's class: the last class seen and its distance are kept.
template <class I>
I* NarrowOrNull(IADs& held) {
  struct LastClass {
    const std::type_info* type = nullptr;
    std::ptrdiff_t offset = 0;
  };
  thread_local LastClass last;
  char* const base = reinterpret_cast<char*>(&held);
  const std::type_info& type = typeid(held);
  if (last.type == &type) return reinterpret_cast<I*>(base + last.offset);
  I* typed = dynamic_cast<I*>(&held);
  if (typed) last = {&type, reinterpret_cast<char*>(typed) - base};
  return typed;
}

[[noreturn]] void ThrowNoInterface(IADs& object);

// Casts a bound object to a narrower interface; errc::kNoInterface when it has none.

template <class I>
std::shared_ptr<I> As(const std::shared_ptr<IADs>& object) {
  if (!object) throw AutomationError(errc::kObjectRequired, u"No directory object to cast");
  if (I* typed = NarrowOrNull<I>(*object)) return std::shared_ptr<I>(object, typed);
  ThrowNoInterface(*object);
}

// The same, taking the caller's reference over instead of adding one (a listing's elements).
template <class I>
std::shared_ptr<I> As(std::shared_ptr<IADs>&& object) {
  if (!object) throw AutomationError(errc::kObjectRequired, u"No directory object to cast");
  if (I* typed = NarrowOrNull<I>(*object)) return std::shared_ptr<I>(std::move(object), typed);
  ThrowNoInterface(*object);
}

}  // namespace moxtrel::directory
