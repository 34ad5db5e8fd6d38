#include "moxtrel/journal/journal_proxies.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel::directory {
namespace {

// Lets the object model's trap mark the journal entry of the call whose error it trapped.
class EntryWitness final : public TrapWitness {
 public:
  // `inner`: the witness of a layer nearer the backend that saw the same call fail.
  EntryWitness(std::weak_ptr<JournalLayer::State> state, uint64_t sequence, JournalEntry entry,
               std::shared_ptr<TrapWitness> inner)
      : state_(std::move(state)),
        sequence_(sequence),
        entry_(std::move(entry)),
        inner_(std::move(inner)) {}
  void Trapped(std::u16string_view member) noexcept override {
    if (inner_) inner_->Trapped(member);
    if (auto state = state_.lock()) {
      try {
        state->Trapped(sequence_, entry_, member);
      } catch (...) {
        // A trace that cannot be written changes no result.
      }
    }
  }

 private:
  std::weak_ptr<JournalLayer::State> state_;
  uint64_t sequence_;
  JournalEntry entry_;
  std::shared_ptr<TrapWitness> inner_;
};

}  // namespace

bool JournalLayer::State::Watched(std::u16string_view member) {
  std::lock_guard lock(mutex);
  return journal.Capacity() > 0 || !faults.Empty() || (sink && (!wants || wants(member)));
}

uint64_t JournalLayer::State::Begin(const JournalEntry& entry) {
  std::lock_guard lock(mutex);
  // The call is journaled before a fault fails it, so tests see the failed call too.
  return journal.Capacity() > 0 ? journal.Record(entry) : 0;
}

void JournalLayer::State::CheckFault(const JournalEntry& entry) {
  std::lock_guard lock(mutex);
  if (!faults.Empty()) faults.Check(entry.interface, entry.member, entry.path);
}

void JournalLayer::State::Succeeded(uint64_t sequence, JournalEntry& entry) {
  std::lock_guard lock(mutex);
  if (auto* kept = sequence ? journal.At(sequence) : nullptr) {
    kept->outcome = JournalEntry::Outcome::kOk;
  }
  if (sink) {
    entry.outcome = JournalEntry::Outcome::kOk;
    sink(entry);
  }
}

void JournalLayer::State::Failed(const std::shared_ptr<State>& self, uint64_t sequence,
                                 JournalEntry entry, AutomationError& error) {
  entry.outcome = JournalEntry::Outcome::kFailed;
  entry.code = error.code();
  entry.error = error.description();
  if (error.call().empty()) {
    std::u16string text = entry.ToString();
    std::u16string member = entry.interface + u"." + entry.member;
    error.SetCall(std::move(text), std::move(member),
                  std::make_shared<EntryWitness>(self, sequence, entry, nullptr));
  } else {
    // The same call seen by an outer layer: both entries are marked when it is trapped.
    error.SetCall({}, {},
                  std::make_shared<EntryWitness>(self, sequence, entry, error.shared_witness()));
  }
  std::lock_guard lock(mutex);
  if (auto* kept = sequence ? journal.At(sequence) : nullptr) {
    kept->outcome = entry.outcome;
    kept->code = entry.code;
    kept->error = entry.error;
  }
  if (sink) sink(entry);
}

void JournalLayer::State::Broke(uint64_t sequence, JournalEntry entry) {
  entry.outcome = JournalEntry::Outcome::kFailed;
  entry.code = static_cast<int32_t>(errc::kFail);
  entry.error = u"The call ended with an exception that is not an automation error";
  std::lock_guard lock(mutex);
  if (auto* kept = sequence ? journal.At(sequence) : nullptr) *kept = entry;
  if (sink) sink(entry);
}

void JournalLayer::State::Trapped(uint64_t sequence, JournalEntry entry,
                                  std::u16string_view member) {
  entry.trapped_by = std::u16string(member);
  std::lock_guard lock(mutex);
  if (auto* kept = sequence ? journal.At(sequence) : nullptr) kept->trapped_by = entry.trapped_by;
  if (sink) sink(entry);
}

namespace journal_detail {

ObjectProxy::ObjectProxy(StatePtr state, std::shared_ptr<IADs> inner)
    : state_(std::move(state)), inner_(std::move(inner)) {}

std::u16string ObjectProxy::CurrentPath() {
  try {
    path_ = inner_->ADsPath();
  } catch (const AutomationError&) {
    // Keep the last path it answered with.
  }
  return path_;
}

std::u16string ObjectProxy::Name() {
  return Call(u"IADs", u"Name", {}, [&] { return inner_->Name(); });
}
std::u16string ObjectProxy::Class() {
  return Call(u"IADs", u"Class", {}, [&] { return inner_->Class(); });
}
std::u16string ObjectProxy::GUID() {
  return Call(u"IADs", u"GUID", {}, [&] { return inner_->GUID(); });
}
std::u16string ObjectProxy::ADsPath() {
  return Call(u"IADs", u"ADsPath", {}, [&] { return inner_->ADsPath(); });
}
std::u16string ObjectProxy::Parent() {
  return Call(u"IADs", u"Parent", {}, [&] { return inner_->Parent(); });
}
Variant ObjectProxy::Get(std::u16string_view name) {
  return Call(u"IADs", u"Get", {Quoted(name)}, [&] { return inner_->Get(name); });
}
void ObjectProxy::Put(std::u16string_view name, const Variant& value) {
  Call(u"IADs", u"Put", {Quoted(name), value.Describe()}, [&] { inner_->Put(name, value); });
}
void ObjectProxy::SetInfo() {
  Call(u"IADs", u"SetInfo", {}, [&] { inner_->SetInfo(); });
}

ContainerProxy::ContainerProxy(StatePtr state, std::shared_ptr<IADs> inner)
    : ObjectProxy(std::move(state), inner),
      container_(std::dynamic_pointer_cast<IADsContainer>(inner)) {}

void ContainerProxy::Filter(const Variant& class_words) {
  Call(u"IADsContainer", u"Filter.put", {class_words.Describe()},
       [&] { container_->Filter(class_words); });
}
Variant ContainerProxy::Filter() {
  return Call(u"IADsContainer", u"Filter", {}, [&] { return container_->Filter(); });
}
std::unique_ptr<IADsEnum> ContainerProxy::NewEnum() {
  auto inner = Call(u"IADsContainer", u"NewEnum", {}, [&] { return container_->NewEnum(); });
  return std::make_unique<EnumProxy>(state_, std::move(inner), CurrentPath());
}
std::shared_ptr<IADs> ContainerProxy::Create(std::u16string_view class_word,
                                             std::u16string_view name) {
  return Wrap(state_, Call(u"IADsContainer", u"Create", {Quoted(class_word), Quoted(name)},
                           [&] { return container_->Create(class_word, name); }));
}
void ContainerProxy::Delete(std::u16string_view class_word, std::u16string_view name) {
  Call(u"IADsContainer", u"Delete", {Quoted(class_word), Quoted(name)},
       [&] { container_->Delete(class_word, name); });
}
std::shared_ptr<IADs> ContainerProxy::MoveHere(std::u16string_view source_path,
                                               std::u16string_view new_name) {
  return Wrap(state_, Call(u"IADsContainer", u"MoveHere", {Quoted(source_path), Quoted(new_name)},
                           [&] { return container_->MoveHere(source_path, new_name); }));
}

namespace {
// A call on an object that holds its path: a listing's enumerator, a member list.
template <class F>
auto CallAt(const StatePtr& state, std::u16string_view interface, std::u16string_view member,
            const std::u16string& path, std::vector<std::u16string> args, F&& call) {
  return Run(
      state, JournalEntry{std::u16string(interface), std::u16string(member), {}, std::move(args)},
      [&] { return path; }, std::forward<F>(call));
}
}  // namespace

std::shared_ptr<IADs> EnumProxy::Next() {
  return Wrap(state_,
              CallAt(state_, u"IADsEnum", u"Next", path_, {}, [&] { return inner_->Next(); }));
}

std::unique_ptr<IADsEnum> MembersProxy::NewEnum() {
  auto inner =
      CallAt(state_, u"IADsMembers", u"NewEnum", path_, {}, [&] { return inner_->NewEnum(); });
  return std::make_unique<EnumProxy>(state_, std::move(inner), path_);
}

std::unique_ptr<IADsEnum> CollectionProxy::NewEnum() {
  auto inner =
      CallAt(state_, u"IADsCollection", u"NewEnum", path_, {}, [&] { return inner_->NewEnum(); });
  return std::make_unique<EnumProxy>(state_, std::move(inner), path_);
}
void CollectionProxy::Remove(std::u16string_view name) {
  CallAt(state_, u"IADsCollection", u"Remove", path_, {Quoted(name)},
         [&] { inner_->Remove(name); });
}

}  // namespace journal_detail
}  // namespace moxtrel::directory
