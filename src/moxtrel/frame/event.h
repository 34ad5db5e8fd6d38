// Event: the handlers connected to one event of an object, each under its own token. Raising
// walks a copy of the list, so a handler may connect, disconnect or drop the raiser while it
// runs; a handler that throws does not stop the others, and its failure goes to the report
// hook the event was made with.
//
//   Event<int32_t> changed(u"moxThing.Changed", u"A Changed handler", &ReportFailure);
//   EventToken token = changed.Connect([](int32_t value) { ... });
//   changed.Raise(42);
//   changed.Disconnect(token);
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel {

// Identifies one connected event handler.
struct EventToken {
  int64_t value = 0;
  friend bool operator==(const EventToken&, const EventToken&) = default;
};

// Called inside the catch block of a failing handler with the event's `where` text.
using EventFailureHook = void (*)(std::u16string_view where) noexcept;

template <class... Args>
class Event {
 public:
  using Handler = std::function<void(Args...)>;

  // `name` names the event in errors ("moxPrintJobs.NewJob"), `where` its handlers in failure
  // reports ("A NewJob handler"); a null hook drops the reports.
  Event(std::u16string name, std::u16string where, EventFailureHook report)
      : name_(std::move(name)), where_(std::move(where)), report_(report) {}

  // An empty handler is refused with kInvalidArg.
  EventToken Connect(Handler handler) {
    if (!handler) throw AutomationError(errc::kInvalidArg, name_ + u": the handler is empty");
    handlers_.emplace_back(++last_token_, std::move(handler));
    return EventToken{last_token_};
  }
  // Unknown or already disconnected tokens are ignored.
  void Disconnect(EventToken token) noexcept {
    std::erase_if(handlers_, [&](const auto& entry) { return entry.first == token.value; });
  }
  bool Empty() const noexcept { return handlers_.empty(); }

  // Calls every handler with `args`.
  template <class... A>
  void Raise(A&&... args) {
    RaiseWith([&](const Handler& handler) { handler(args...); });
  }
  // Calls `call(handler)` for every handler, for raisers that give each handler fresh
  // copies of by-reference arguments.
  template <class Call>
  void RaiseWith(Call&& call) {
    const auto handlers = handlers_;
    for (const auto& entry : handlers) {
      try {
        call(entry.second);
      } catch (...) {
        if (report_) report_(where_);
      }
    }
  }

 private:
  std::u16string name_;
  std::u16string where_;
  EventFailureHook report_;
  std::vector<std::pair<int64_t, Handler>> handlers_;
  int64_t last_token_ = 0;
};

}  // namespace moxtrel
