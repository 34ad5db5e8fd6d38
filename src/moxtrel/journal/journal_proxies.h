// The wrapped objects a JournalLayer hands out: each forwards every call to the object behind it
// after the layer has journaled it and let an armed fault fire, and records how it ended.
// Internal to the layer.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/journal/journal_layer.h"

namespace moxtrel::directory {

struct JournalLayer::State {
  std::mutex mutex;
  CallJournal journal;
  FaultInjector faults;
  TraceSink sink;

  // Whether calls are journaled, traced or may fault; when not, a call costs only its
  // arguments, and the path is looked up only when it fails.
  bool Watched(std::u16string_view member);
  JournalLayer::MemberFilter wants = nullptr;
  // Journals a call as pending; 0 when the journal keeps none.
  uint64_t Begin(const JournalEntry& entry);
  // Lets an armed fault fail the call (AutomationError).
  void CheckFault(const JournalEntry& entry);
  // Records how a call ended and traces it.
  void Succeeded(uint64_t sequence, JournalEntry& entry);
  void Failed(const std::shared_ptr<State>& self, uint64_t sequence, JournalEntry entry,
              AutomationError& error);
  void Broke(uint64_t sequence, JournalEntry entry);
  // The object model trapped the error of the call `sequence`.
  void Trapped(uint64_t sequence, JournalEntry entry, std::u16string_view member);
};

namespace journal_detail {

using StatePtr = std::shared_ptr<JournalLayer::State>;

// Passes one call on: `path()` names the object called, `call()` makes the call.
template <class Path, class F>
auto Run(const StatePtr& state, JournalEntry entry, Path&& path, F&& call) -> decltype(call()) {
  const bool watched = state->Watched(entry.member);
  if (watched) entry.path = path();
  const uint64_t sequence = watched ? state->Begin(entry) : 0;
  try {
    if (watched) state->CheckFault(entry);
    if constexpr (std::is_void_v<decltype(call())>) {
      call();
      if (watched) state->Succeeded(sequence, entry);
    } else {
      auto result = call();
      if (watched) state->Succeeded(sequence, entry);
      return result;
    }
  } catch (AutomationError& error) {
    if (!watched) entry.path = path();
    state->Failed(state, sequence, std::move(entry), error);
    throw;
  } catch (...) {
    if (watched) state->Broke(sequence, std::move(entry));
    throw;
  }
}

// Wraps an object with proxies for the interfaces it has; nullptr stays nullptr.
std::shared_ptr<IADs> Wrap(const StatePtr& state, std::shared_ptr<IADs> inner);

class ObjectProxy : public virtual IADs {
 public:
  ObjectProxy(StatePtr state, std::shared_ptr<IADs> inner);

  std::u16string Name() override;
  std::u16string Class() override;
  std::u16string GUID() override;
  std::u16string ADsPath() override;
  std::u16string Parent() override;
  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override;

 protected:
  // Passes a call on to the object behind, journaled under its current path.
  template <class F>
  auto Call(std::u16string_view interface, std::u16string_view member,
            std::vector<std::u16string> args, F&& call) -> decltype(call()) {
    return Run(
        state_,
        JournalEntry{std::u16string(interface), std::u16string(member), {}, std::move(args)},
        [this] { return CurrentPath(); }, std::forward<F>(call));
  }
  // The path the object reports now, or the last one it reported once it no longer answers
  // (a deleted object).
  std::u16string CurrentPath();

  // A typed property put, journaled as "Name.put" with the value as the journal shows it.
  template <class F>
  void CallPut(std::u16string_view interface, std::u16string_view property, const Variant& shown,
               F&& call) {
    Call(interface, std::u16string(property) + u".put", {shown.Describe()}, std::forward<F>(call));
  }

  StatePtr state_;
  std::shared_ptr<IADs> inner_;

 private:
  std::u16string path_;
};

class ContainerProxy : public ObjectProxy, public virtual IADsContainer {
 public:
  ContainerProxy(StatePtr state, std::shared_ptr<IADs> inner);

  void Filter(const Variant& class_words) override;
  Variant Filter() override;
  std::unique_ptr<IADsEnum> NewEnum() override;
  std::shared_ptr<IADs> Create(std::u16string_view class_word, std::u16string_view name) override;
  void Delete(std::u16string_view class_word, std::u16string_view name) override;
  std::shared_ptr<IADs> MoveHere(std::u16string_view source_path,
                                 std::u16string_view new_name) override;

 private:
  std::shared_ptr<IADsContainer> container_;
};

class EnumProxy final : public IADsEnum {
 public:
  EnumProxy(StatePtr state, std::unique_ptr<IADsEnum> inner, std::u16string path)
      : state_(std::move(state)), inner_(std::move(inner)), path_(std::move(path)) {}
  std::shared_ptr<IADs> Next() override;
  // Passed through unjournaled: a hint, not a call on the directory.
  std::size_t Remaining() const override { return inner_->Remaining(); }

 private:
  StatePtr state_;
  std::unique_ptr<IADsEnum> inner_;
  std::u16string path_;
};

class MembersProxy final : public IADsMembers {
 public:
  MembersProxy(StatePtr state, std::shared_ptr<IADsMembers> inner, std::u16string path)
      : state_(std::move(state)), inner_(std::move(inner)), path_(std::move(path)) {}
  std::unique_ptr<IADsEnum> NewEnum() override;

 private:
  StatePtr state_;
  std::shared_ptr<IADsMembers> inner_;
  std::u16string path_;
};

class CollectionProxy final : public IADsCollection {
 public:
  CollectionProxy(StatePtr state, std::shared_ptr<IADsCollection> inner, std::u16string path)
      : state_(std::move(state)), inner_(std::move(inner)), path_(std::move(path)) {}
  std::unique_ptr<IADsEnum> NewEnum() override;
  void Remove(std::u16string_view name) override;

 private:
  StatePtr state_;
  std::shared_ptr<IADsCollection> inner_;
  std::u16string path_;
};

}  // namespace journal_detail
}  // namespace moxtrel::directory
