// The typed proxies of a JournalLayer: one per kind of directory object, each forwarding the
// typed properties and operations of its interfaces after journaling them.
#include "moxtrel/journal/journal_proxies.h"

namespace moxtrel::directory::journal_detail {
namespace {

// One line per property: the get is journaled as the property, the put as "Name.put" with the
// value as a Variant shows it.
// Each proxy keeps the wrapped object narrowed once per interface it forwards.
#define MOX_FWD_STR(I, Ptr, Prop)                                             \
  std::u16string Prop() override {                                            \
    return Call(I, u"" #Prop, {}, [&] { return Ptr->Prop(); });               \
  }                                                                           \
  void Prop(std::u16string_view v) override {                                 \
    CallPut(I, u"" #Prop, Variant(std::u16string(v)), [&] { Ptr->Prop(v); }); \
  }
#define MOX_FWD_RO(I, Ptr, Type, Prop)                          \
  Type Prop() override {                                        \
    return Call(I, u"" #Prop, {}, [&] { return Ptr->Prop(); }); \
  }
#define MOX_FWD_RW(I, Ptr, Type, Prop, Shown)            \
  MOX_FWD_RO(I, Ptr, Type, Prop)                         \
  void Prop(Type v) override {                           \
    CallPut(I, u"" #Prop, Shown, [&] { Ptr->Prop(v); }); \
  }
#define MOX_FWD_LONG(I, Ptr, Prop) MOX_FWD_RW(I, Ptr, int32_t, Prop, Variant(v))
#define MOX_FWD_BOOL(I, Ptr, Prop) MOX_FWD_RW(I, Ptr, bool, Prop, Variant::Boolean(v))
#define MOX_FWD_DATE(I, Ptr, Prop) MOX_FWD_RW(I, Ptr, Date, Prop, Variant(v))

// The narrowed interface, or the error As<I> gives when the object behind lacks it.
template <class I>
std::shared_ptr<I> Narrowed(const std::shared_ptr<IADs>& inner) {
  auto typed = std::dynamic_pointer_cast<I>(inner);
  return typed;
}

template <class I>
I* Require(const std::shared_ptr<I>& typed, const std::shared_ptr<IADs>& inner) {
  if (!typed) As<I>(inner);  // throws errc::kNoInterface with the object's path
  return typed.get();
}

constexpr std::u16string_view kComputer = u"IADsComputer";
constexpr std::u16string_view kComputerOps = u"IADsComputerOperations";
constexpr std::u16string_view kUser = u"IADsUser";
constexpr std::u16string_view kGroup = u"IADsGroup";
constexpr std::u16string_view kShare = u"IADsFileShare";
constexpr std::u16string_view kQueue = u"IADsPrintQueue";
constexpr std::u16string_view kQueueOps = u"IADsPrintQueueOperations";
constexpr std::u16string_view kJob = u"IADsPrintJob";
constexpr std::u16string_view kJobOps = u"IADsPrintJobOperations";
constexpr std::u16string_view kService = u"IADsService";
constexpr std::u16string_view kServiceOps = u"IADsServiceOperations";

class DomainProxy final : public ContainerProxy, public IADsDomain {
 public:
  using ContainerProxy::ContainerProxy;
};

class FileServiceProxy final : public ContainerProxy, public IADsFileService {
 public:
  using ContainerProxy::ContainerProxy;
};

class ComputerProxy final : public ContainerProxy,
                            public IADsComputer,
                            public IADsComputerOperations {
 public:
  ComputerProxy(StatePtr state, std::shared_ptr<IADs> inner)
      : ContainerProxy(std::move(state), inner),
        c_(Narrowed<IADsComputer>(inner)),
        ops_(Narrowed<IADsComputerOperations>(inner)) {}

  MOX_FWD_RO(kComputer, c_, std::u16string, Division)
  MOX_FWD_RO(kComputer, c_, std::u16string, OperatingSystem)
  MOX_FWD_RO(kComputer, c_, std::u16string, OperatingSystemVersion)
  MOX_FWD_RO(kComputer, c_, std::u16string, Owner)
  MOX_FWD_RO(kComputer, c_, std::u16string, Processor)
  MOX_FWD_RO(kComputer, c_, std::u16string, ProcessorCount)
  void Shutdown(bool reboot) override {
    Call(kComputerOps, u"Shutdown", {Variant::Boolean(reboot).Describe()},
         [&] { Require(ops_, inner_)->Shutdown(reboot); });
  }

 private:
  std::shared_ptr<IADsComputer> c_;
  std::shared_ptr<IADsComputerOperations> ops_;
};

class UserProxy final : public ObjectProxy, public IADsUser {
 public:
  UserProxy(StatePtr state, std::shared_ptr<IADs> inner)
      : ObjectProxy(std::move(state), inner), u_(Narrowed<IADsUser>(inner)) {}

  MOX_FWD_BOOL(kUser, u_, AccountDisabled)
  MOX_FWD_DATE(kUser, u_, AccountExpirationDate)
  MOX_FWD_BOOL(kUser, u_, IsAccountLocked)
  MOX_FWD_STR(kUser, u_, Description)
  MOX_FWD_STR(kUser, u_, FullName)
  MOX_FWD_STR(kUser, u_, HomeDirectory)
  MOX_FWD_RO(kUser, u_, Date, LastLogin)
  MOX_FWD_RO(kUser, u_, Date, LastLogoff)
  MOX_FWD_STR(kUser, u_, LoginScript)
  MOX_FWD_LONG(kUser, u_, MaxStorage)
  MOX_FWD_DATE(kUser, u_, PasswordExpirationDate)
  MOX_FWD_RO(kUser, u_, int32_t, PasswordMinimumLength)
  MOX_FWD_BOOL(kUser, u_, PasswordRequired)
  MOX_FWD_STR(kUser, u_, Profile)
  std::shared_ptr<IADsMembers> Groups() override {
    auto groups = Call(kUser, u"Groups", {}, [&] { return u_->Groups(); });
    return std::make_shared<MembersProxy>(state_, std::move(groups), CurrentPath());
  }
  void SetPassword(std::u16string_view password) override {
    // The password itself never reaches the journal or a trace.
    Call(kUser, u"SetPassword", {u"\"<hidden>\""}, [&] { u_->SetPassword(password); });
  }

 private:
  std::shared_ptr<IADsUser> u_;
};

class GroupProxy final : public ObjectProxy, public IADsGroup {
 public:
  GroupProxy(StatePtr state, std::shared_ptr<IADs> inner)
      : ObjectProxy(std::move(state), inner), g_(Narrowed<IADsGroup>(inner)) {}

  MOX_FWD_STR(kGroup, g_, Description)
  std::shared_ptr<IADsMembers> Members() override {
    auto members = Call(kGroup, u"Members", {}, [&] { return g_->Members(); });
    return std::make_shared<MembersProxy>(state_, std::move(members), CurrentPath());
  }
  bool IsMember(std::u16string_view path) override {
    return Call(kGroup, u"IsMember", {Quoted(path)}, [&] { return g_->IsMember(path); });
  }
  void Add(std::u16string_view path) override {
    Call(kGroup, u"Add", {Quoted(path)}, [&] { g_->Add(path); });
  }
  void Remove(std::u16string_view path) override {
    Call(kGroup, u"Remove", {Quoted(path)}, [&] { g_->Remove(path); });
  }

 private:
  std::shared_ptr<IADsGroup> g_;
};

class FileShareProxy final : public ObjectProxy, public IADsFileShare {
 public:
  FileShareProxy(StatePtr state, std::shared_ptr<IADs> inner)
      : ObjectProxy(std::move(state), inner), s_(Narrowed<IADsFileShare>(inner)) {}

  MOX_FWD_RO(kShare, s_, int32_t, CurrentUserCount)
  MOX_FWD_STR(kShare, s_, Description)
  MOX_FWD_RO(kShare, s_, std::u16string, HostComputer)
  MOX_FWD_STR(kShare, s_, Path)
  MOX_FWD_LONG(kShare, s_, MaxUserCount)

 private:
  std::shared_ptr<IADsFileShare> s_;
};

class PrintQueueProxy final : public ObjectProxy,
                              public IADsPrintQueue,
                              public IADsPrintQueueOperations {
 public:
  PrintQueueProxy(StatePtr state, std::shared_ptr<IADs> inner)
      : ObjectProxy(std::move(state), inner),
        q_(Narrowed<IADsPrintQueue>(inner)),
        ops_(Narrowed<IADsPrintQueueOperations>(inner)) {}

  MOX_FWD_RO(kQueue, q_, std::u16string, PrinterPath)
  MOX_FWD_STR(kQueue, q_, Model)
  MOX_FWD_STR(kQueue, q_, Datatype)
  MOX_FWD_STR(kQueue, q_, PrintProcessor)
  MOX_FWD_STR(kQueue, q_, Description)
  MOX_FWD_STR(kQueue, q_, Location)
  MOX_FWD_DATE(kQueue, q_, StartTime)
  MOX_FWD_DATE(kQueue, q_, UntilTime)
  MOX_FWD_LONG(kQueue, q_, DefaultJobPriority)
  MOX_FWD_LONG(kQueue, q_, Priority)
  MOX_FWD_RO(kQueue, q_, Variant, PrintDevices)
  std::shared_ptr<IADsCollection> PrintJobs() override {
    auto jobs =
        Call(kQueueOps, u"PrintJobs", {}, [&] { return Require(ops_, inner_)->PrintJobs(); });
    return std::make_shared<CollectionProxy>(state_, std::move(jobs), CurrentPath());
  }
  int32_t Status() override {
    return Call(kQueueOps, u"Status", {}, [&] { return Require(ops_, inner_)->Status(); });
  }
  void Pause() override {
    Call(kQueueOps, u"Pause", {}, [&] { Require(ops_, inner_)->Pause(); });
  }
  void Resume() override {
    Call(kQueueOps, u"Resume", {}, [&] { Require(ops_, inner_)->Resume(); });
  }
  void Purge() override {
    Call(kQueueOps, u"Purge", {}, [&] { Require(ops_, inner_)->Purge(); });
  }

 private:
  std::shared_ptr<IADsPrintQueue> q_;
  std::shared_ptr<IADsPrintQueueOperations> ops_;
};

class PrintJobProxy final : public ObjectProxy, public IADsPrintJob, public IADsPrintJobOperations {
 public:
  PrintJobProxy(StatePtr state, std::shared_ptr<IADs> inner)
      : ObjectProxy(std::move(state), inner),
        j_(Narrowed<IADsPrintJob>(inner)),
        ops_(Narrowed<IADsPrintJobOperations>(inner)) {}

  MOX_FWD_RO(kJob, j_, std::u16string, HostPrintQueue)
  MOX_FWD_RO(kJob, j_, std::u16string, User)
  MOX_FWD_RO(kJob, j_, Date, TimeSubmitted)
  MOX_FWD_RO(kJob, j_, int32_t, TotalPages)
  MOX_FWD_RO(kJob, j_, int32_t, Size)
  MOX_FWD_STR(kJob, j_, Description)
  MOX_FWD_LONG(kJob, j_, Priority)
  MOX_FWD_DATE(kJob, j_, StartTime)
  MOX_FWD_DATE(kJob, j_, UntilTime)
  MOX_FWD_STR(kJob, j_, Notify)

  MOX_FWD_RO(kJobOps, Require(ops_, inner_), int32_t, Status)
  MOX_FWD_LONG(kJobOps, Require(ops_, inner_), Position)
  MOX_FWD_RO(kJobOps, Require(ops_, inner_), int32_t, PagesPrinted)
  void Pause() override {
    Call(kJobOps, u"Pause", {}, [&] { Require(ops_, inner_)->Pause(); });
  }
  void Resume() override {
    Call(kJobOps, u"Resume", {}, [&] { Require(ops_, inner_)->Resume(); });
  }

 private:
  std::shared_ptr<IADsPrintJob> j_;
  std::shared_ptr<IADsPrintJobOperations> ops_;
};

class ServiceProxy final : public ObjectProxy, public IADsService, public IADsServiceOperations {
 public:
  ServiceProxy(StatePtr state, std::shared_ptr<IADs> inner)
      : ObjectProxy(std::move(state), inner),
        s_(Narrowed<IADsService>(inner)),
        ops_(Narrowed<IADsServiceOperations>(inner)) {}

  MOX_FWD_RO(kService, s_, std::u16string, HostComputer)
  MOX_FWD_STR(kService, s_, DisplayName)
  MOX_FWD_LONG(kService, s_, ServiceType)
  MOX_FWD_LONG(kService, s_, StartType)
  MOX_FWD_STR(kService, s_, Path)
  MOX_FWD_LONG(kService, s_, ErrorControl)
  MOX_FWD_STR(kService, s_, LoadOrderGroup)
  MOX_FWD_STR(kService, s_, ServiceAccountName)
  Variant Dependencies() override {
    return Call(kService, u"Dependencies", {}, [&] { return s_->Dependencies(); });
  }
  void Dependencies(const Variant& v) override {
    CallPut(kService, u"Dependencies", v, [&] { s_->Dependencies(v); });
  }

  MOX_FWD_RO(kServiceOps, Require(ops_, inner_), int32_t, Status)
  void Start() override { Control(u"Start", &IADsServiceOperations::Start); }
  void Stop() override { Control(u"Stop", &IADsServiceOperations::Stop); }
  void Pause() override { Control(u"Pause", &IADsServiceOperations::Pause); }
  void Continue() override { Control(u"Continue", &IADsServiceOperations::Continue); }
  void SetPassword(std::u16string_view password) override {
    Call(kServiceOps, u"SetPassword", {u"\"<hidden>\""},
         [&] { Require(ops_, inner_)->SetPassword(password); });
  }

 private:
  void Control(std::u16string_view member, void (IADsServiceOperations::*op)()) {
    Call(kServiceOps, member, {}, [&] { (Require(ops_, inner_)->*op)(); });
  }
  std::shared_ptr<IADsService> s_;
  std::shared_ptr<IADsServiceOperations> ops_;
};

#undef MOX_FWD_STR
#undef MOX_FWD_RO
#undef MOX_FWD_RW
#undef MOX_FWD_LONG
#undef MOX_FWD_BOOL
#undef MOX_FWD_DATE

}  // namespace

std::shared_ptr<IADs> Wrap(const StatePtr& state, std::shared_ptr<IADs> inner) {
  if (!inner) return nullptr;
  // The most specific interface decides; the operations interfaces come with their object.
  if (std::dynamic_pointer_cast<IADsUser>(inner)) return std::make_shared<UserProxy>(state, inner);
  if (std::dynamic_pointer_cast<IADsGroup>(inner)) {
    return std::make_shared<GroupProxy>(state, inner);
  }
  if (std::dynamic_pointer_cast<IADsComputer>(inner)) {
    return std::make_shared<ComputerProxy>(state, inner);
  }
  if (std::dynamic_pointer_cast<IADsDomain>(inner)) {
    return std::make_shared<DomainProxy>(state, inner);
  }
  if (std::dynamic_pointer_cast<IADsFileService>(inner)) {
    return std::make_shared<FileServiceProxy>(state, inner);
  }
  if (std::dynamic_pointer_cast<IADsFileShare>(inner)) {
    return std::make_shared<FileShareProxy>(state, inner);
  }
  if (std::dynamic_pointer_cast<IADsPrintQueue>(inner)) {
    return std::make_shared<PrintQueueProxy>(state, inner);
  }
  if (std::dynamic_pointer_cast<IADsPrintJob>(inner)) {
    return std::make_shared<PrintJobProxy>(state, inner);
  }
  if (std::dynamic_pointer_cast<IADsService>(inner)) {
    return std::make_shared<ServiceProxy>(state, inner);
  }
  if (std::dynamic_pointer_cast<IADsContainer>(inner)) {
    return std::make_shared<ContainerProxy>(state, inner);
  }
  return std::make_shared<ObjectProxy>(state, inner);
}

}  // namespace moxtrel::directory::journal_detail
