#include "moxtrel/directory/journal_proxies.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel::directory {

void JournalLayer::State::Enter(std::u16string_view interface, std::u16string_view member,
                                std::u16string path, std::vector<std::u16string> args) {
  std::lock_guard lock(mutex);
  if (sink || journal.Capacity() > 0) {
    // The call is journaled before a fault fails it, so tests see the failed call too.
    std::u16string fault_path = faults.Empty() ? std::u16string() : path;
    JournalEntry entry{std::u16string(interface), std::u16string(member), std::move(path),
                       std::move(args)};
    if (sink) sink(entry);
    journal.Record(std::move(entry));
    if (!faults.Empty()) faults.Check(interface, member, fault_path);
    return;
  }
  if (!faults.Empty()) faults.Check(interface, member, path);
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

void ObjectProxy::Enter(std::u16string_view interface, std::u16string_view member,
                        std::vector<std::u16string> args) {
  state_->Enter(interface, member, CurrentPath(), std::move(args));
}

std::u16string ObjectProxy::Name() {
  Enter(u"IADs", u"Name");
  return inner_->Name();
}
std::u16string ObjectProxy::Class() {
  Enter(u"IADs", u"Class");
  return inner_->Class();
}
std::u16string ObjectProxy::GUID() {
  Enter(u"IADs", u"GUID");
  return inner_->GUID();
}
std::u16string ObjectProxy::ADsPath() {
  Enter(u"IADs", u"ADsPath");
  return inner_->ADsPath();
}
std::u16string ObjectProxy::Parent() {
  Enter(u"IADs", u"Parent");
  return inner_->Parent();
}
Variant ObjectProxy::Get(std::u16string_view name) {
  Enter(u"IADs", u"Get", {Quoted(name)});
  return inner_->Get(name);
}
void ObjectProxy::Put(std::u16string_view name, const Variant& value) {
  Enter(u"IADs", u"Put", {Quoted(name), value.Describe()});
  inner_->Put(name, value);
}
void ObjectProxy::SetInfo() {
  Enter(u"IADs", u"SetInfo");
  inner_->SetInfo();
}

ContainerProxy::ContainerProxy(StatePtr state, std::shared_ptr<IADs> inner)
    : ObjectProxy(std::move(state), inner),
      container_(std::dynamic_pointer_cast<IADsContainer>(inner)) {}

void ContainerProxy::Filter(const Variant& class_words) {
  Enter(u"IADsContainer", u"Filter.put", {class_words.Describe()});
  container_->Filter(class_words);
}
Variant ContainerProxy::Filter() {
  Enter(u"IADsContainer", u"Filter");
  return container_->Filter();
}
std::unique_ptr<IADsEnum> ContainerProxy::NewEnum() {
  Enter(u"IADsContainer", u"NewEnum");
  auto inner = container_->NewEnum();
  return std::make_unique<EnumProxy>(state_, std::move(inner), CurrentPath());
}
std::shared_ptr<IADs> ContainerProxy::Create(std::u16string_view class_word,
                                             std::u16string_view name) {
  Enter(u"IADsContainer", u"Create", {Quoted(class_word), Quoted(name)});
  return Wrap(state_, container_->Create(class_word, name));
}
void ContainerProxy::Delete(std::u16string_view class_word, std::u16string_view name) {
  Enter(u"IADsContainer", u"Delete", {Quoted(class_word), Quoted(name)});
  container_->Delete(class_word, name);
}
std::shared_ptr<IADs> ContainerProxy::MoveHere(std::u16string_view source_path,
                                               std::u16string_view new_name) {
  Enter(u"IADsContainer", u"MoveHere", {Quoted(source_path), Quoted(new_name)});
  return Wrap(state_, container_->MoveHere(source_path, new_name));
}

std::shared_ptr<IADs> EnumProxy::Next() {
  state_->Enter(u"IADsEnum", u"Next", path_, {});
  return Wrap(state_, inner_->Next());
}

std::unique_ptr<IADsEnum> MembersProxy::NewEnum() {
  state_->Enter(u"IADsMembers", u"NewEnum", path_, {});
  return std::make_unique<EnumProxy>(state_, inner_->NewEnum(), path_);
}

std::unique_ptr<IADsEnum> CollectionProxy::NewEnum() {
  state_->Enter(u"IADsCollection", u"NewEnum", path_, {});
  return std::make_unique<EnumProxy>(state_, inner_->NewEnum(), path_);
}
void CollectionProxy::Remove(std::u16string_view name) {
  state_->Enter(u"IADsCollection", u"Remove", path_, {Quoted(name)});
  inner_->Remove(name);
}

}  // namespace journal_detail
}  // namespace moxtrel::directory
