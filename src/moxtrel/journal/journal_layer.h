// JournalLayer: a provider that wraps any other provider and journals, traces and fails on
// demand the calls passed through it. Tests wrap the provider they test; `moxtrel --trace` wraps
// the router. A provider that is not wrapped pays nothing for any of it.
//
//   auto dir = MemoryDirectory::Create();
//   auto layer = JournalLayer::Wrap(dir);
//   directory::SetCurrentProvider(layer);
//   layer->Faults().Add({.member = u"IADs.SetInfo"});
//   ... drive the object model ...
//   EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo"), 1);
//   EXPECT_EQ(layer->Faults().Fired(), 1u);
//
// Every object the layer hands out (bound, created, moved or enumerated) is wrapped too, with
// the interfaces of the object behind it. Entries name the object by its ADsPath as the provider
// reports it when the call is made; a bind (DirectoryProvider.GetObject) is named by the path as
// it was asked for. The journal, the faults and the trace sink are safe to use from several
// threads; the locks are taken only around the layer's own bookkeeping.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string_view>

#include "moxtrel/directory/provider.h"
#include "moxtrel/journal/call_journal.h"
#include "moxtrel/journal/fault_injector.h"

namespace moxtrel::directory {

class JournalLayer final : public DirectoryProvider {
 public:
  // Receives each call as it is passed on (for --trace); passwords appear as "<hidden>".
  using TraceSink = std::function<void(const JournalEntry&)>;

  static std::shared_ptr<JournalLayer> Wrap(std::shared_ptr<DirectoryProvider> inner);

  std::shared_ptr<IADs> GetObject(std::u16string_view path) override;

  // The journal and the faults are not locked for the caller: read and arm them while no other
  // thread is calling through the layer.
  CallJournal& Journal() noexcept;
  FaultInjector& Faults() noexcept;
  // Sends every call to `sink` too; an empty sink stops it. With `wants`, a layer that keeps no
  // journal and has no fault armed passes on the calls `wants` refuses without looking up their
  // path or calling the sink (an audit trail wants only the changes).
  using MemberFilter = bool (*)(std::u16string_view member);
  void SetTraceSink(TraceSink sink, MemberFilter wants = nullptr);
  const std::shared_ptr<DirectoryProvider>& Inner() const noexcept { return inner_; }

  struct State;  // shared with the wrapped objects

 private:
  JournalLayer(std::shared_ptr<DirectoryProvider> inner, std::shared_ptr<State> state);
  std::shared_ptr<DirectoryProvider> inner_;
  std::shared_ptr<State> state_;
};

}  // namespace moxtrel::directory
