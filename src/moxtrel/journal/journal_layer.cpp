#include "moxtrel/journal/journal_layer.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/journal/journal_proxies.h"

namespace moxtrel::directory {

JournalLayer::JournalLayer(std::shared_ptr<DirectoryProvider> inner, std::shared_ptr<State> state)
    : inner_(std::move(inner)), state_(std::move(state)) {}

std::shared_ptr<JournalLayer> JournalLayer::Wrap(std::shared_ptr<DirectoryProvider> inner) {
  if (!inner) {
    throw AutomationError(errc::kInvalidArg, u"JournalLayer: there is no provider to wrap");
  }
  return std::shared_ptr<JournalLayer>(
      new JournalLayer(std::move(inner), std::make_shared<State>()));
}

std::shared_ptr<IADs> JournalLayer::GetObject(std::u16string_view path) {
  const std::u16string asked(path);
  return journal_detail::Wrap(state_,
                              journal_detail::Run(
                                  state_, JournalEntry{u"DirectoryProvider", u"GetObject", {}, {}},
                                  [&] { return asked; }, [&] { return inner_->GetObject(path); }));
}

CallJournal& JournalLayer::Journal() noexcept {
  return state_->journal;
}

FaultInjector& JournalLayer::Faults() noexcept {
  return state_->faults;
}

void JournalLayer::SetTraceSink(TraceSink sink, MemberFilter wants) {
  std::lock_guard lock(state_->mutex);
  state_->sink = std::move(sink);
  state_->wants = wants;
}

}  // namespace moxtrel::directory
