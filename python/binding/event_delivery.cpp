#include "binding/event_delivery.h"

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "binding/member_text.h"
#include "binding/module_state.h"
#include "binding/python_errors.h"
#include "binding/value_convert.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/handler_failure.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/platform/thread_timers.h"

namespace moxtrel::python {
namespace {

thread_local int pump_depth = 0;
thread_local int manual_depth = 0;

class PythonSink;

// A reference that may be dropped after the interpreter has gone (a thread-local hook at exit).
struct HeldObject {
  explicit HeldObject(py::object o) : object(std::move(o)) {}
  HeldObject(const HeldObject&) = delete;
  HeldObject& operator=(const HeldObject&) = delete;
  ~HeldObject() {
    if (Py_IsInitialized()) {
      py::gil_scoped_acquire gil;
      object = py::object();
    } else {
      object.release();
    }
  }
  py::object object;
};

struct PendingEvent {
  std::shared_ptr<PythonSink> sink;
  std::vector<Variant> args;
};

std::mutex queue_mutex;
std::deque<PendingEvent>& Queue() {
  // Never destroyed: sinks left in it at exit must not touch a finalised interpreter.
  static auto* queue = new std::deque<PendingEvent>;
  return *queue;
}

// One connected handler for one event of one source.
class PythonSink final : public EventSink, public std::enable_shared_from_this<PythonSink> {
 public:
  PythonSink(py::object handler, const typelib::MemberInfo& event)
      : handler_(std::move(handler)),
        event_(event.name),
        params_(event.params),
        thread_(std::this_thread::get_id()) {}

  ~PythonSink() override {
    if (Py_IsInitialized()) {
      py::gil_scoped_acquire gil;
      handler_ = py::object();
    } else {
      handler_.release();  // the interpreter is gone; its memory went with it
    }
  }

  void OnEvent(DispId, std::u16string_view name, std::vector<Variant>& args) override {
    if (!EqualsNoCase(name, event_) || !active_) return;
    if (std::this_thread::get_id() == thread_ && pump_depth > 0) {
      Deliver(args);
      return;
    }
    std::lock_guard lock(queue_mutex);
    Queue().push_back(PendingEvent{shared_from_this(), args});
  }

  // Calls the handler with the event's arguments; a failure is reported, never raised.
  void Deliver(const std::vector<Variant>& args) {
    if (!active_) return;
    py::gil_scoped_acquire gil;
    try {
      py::tuple values(args.size());
      for (std::size_t i = 0; i < args.size(); ++i) {
        values[i] = FromVariant(args[i], i < params_.size() ? &params_[i].type : nullptr);
      }
      py::object handler = handler_;  // held: the handler may disconnect itself
      handler(*values);
    } catch (py::error_already_set& e) {
      std::string text = "an exception";
      try {
        text = py::str(e.type().attr("__name__")).cast<std::string>() + ": " +
               py::str(e.value()).cast<std::string>();
      } catch (py::error_already_set&) {
        // str() of the exception failed too; the type of failure is all there is to say.
      }
      Report(FromUtf8(text));
    } catch (const std::exception& e) {
      Report(FromUtf8(e.what()));
    }
  }

  bool OwnedBy(std::thread::id thread) const { return thread == thread_; }
  int Visit(visitproc visit, void* arg) {
    Py_VISIT(handler_.ptr());
    return 0;
  }
  // Drops the handler (the collector breaks a cycle through it); no later event reaches it.
  void Clear() {
    active_ = false;
    py::object gone = std::move(handler_);
  }
  const std::u16string& event() const { return event_; }
  bool active() const { return active_; }
  void Deactivate() { active_ = false; }
  py::object handler() const { return handler_; }

 private:
  void Report(const std::u16string& text) {
    try {
      throw AutomationError(errc::kFail, text);
    } catch (...) {
      ReportHandlerFailure(u"A " + event_ + u" handler");
    }
  }

  py::object handler_;
  std::u16string event_;
  std::vector<typelib::ParamInfo> params_;
  std::thread::id thread_;
  std::atomic<bool> active_ = true;  // read by raising threads without the GIL
};

// The sinks connected to each source, for the collector; touched only with the GIL held.
std::unordered_map<const AutomationObject*, std::vector<std::weak_ptr<PythonSink>>>& Sinks() {
  static auto* sinks =
      new std::unordered_map<const AutomationObject*, std::vector<std::weak_ptr<PythonSink>>>;
  return *sinks;
}

void Remember(const AutomationObject* source, const std::shared_ptr<PythonSink>& sink) {
  auto& sinks = Sinks();
  // Forget what has gone: sinks of dead sources, and sources left without sinks.
  for (auto it = sinks.begin(); it != sinks.end();) {
    std::erase_if(it->second, [](const auto& weak) { return weak.expired(); });
    it = it->second.empty() ? sinks.erase(it) : std::next(it);
  }
  sinks[source].push_back(sink);
}

// What connect() returns; disconnect() or leaving a with-block undoes it.
struct Connection {
  std::weak_ptr<AutomationObject> source;
  uint32_t cookie = 0;
  std::shared_ptr<PythonSink> sink;

  void Disconnect() {
    if (!sink || !sink->active()) return;
    sink->Deactivate();
    if (ObjectPtr alive = source.lock()) {
      Guarded(u"Disconnect", [&] {
        dispatch::Disconnect(alive, cookie);
        return 0;
      });
    }
  }
};

struct EventSlot {
  ObjectPtr source;
  typelib::MemberInfo event;
};

Connection Connect(const EventSlot& slot, py::object handler) {
  const std::u16string source = std::u16string(slot.source->TypeName()) + u"." + slot.event.name;
  if (!PyCallable_Check(handler.ptr())) {
    throw py::type_error(ToUtf8(source) + ".connect: the handler must be callable");
  }
  auto sink = std::make_shared<PythonSink>(std::move(handler), slot.event);
  const uint32_t cookie = Guarded(source, [&] { return dispatch::Connect(slot.source, sink); });
  Remember(slot.source.get(), sink);
  return Connection{slot.source, cookie, sink};
}

// Delivers the queued events of this thread, in the order they were raised.
void DeliverQueued() {
  const auto me = std::this_thread::get_id();
  for (;;) {
    PendingEvent next;
    {
      std::lock_guard lock(queue_mutex);
      auto& queue = Queue();
      auto it = std::find_if(queue.begin(), queue.end(),
                             [&](const PendingEvent& e) { return e.sink->OwnedBy(me); });
      if (it == queue.end()) return;
      next = std::move(*it);
      queue.erase(it);
    }
    next.sink->Deliver(next.args);
  }
}

class ManualClock {
 public:
  void Enter() {
    if (time_) throw py::value_error("this manual clock is already in use");
    time_ = std::make_unique<platform::ManualTime>();
    thread_ = std::this_thread::get_id();
    ++manual_depth;
  }
  void Exit() {
    if (!time_) return;
    if (thread_ != std::this_thread::get_id()) {
      throw py::value_error("a manual clock must be left on the thread that entered it");
    }
    time_.reset();
    --manual_depth;
  }

 private:
  std::unique_ptr<platform::ManualTime> time_;
  std::thread::id thread_;
};

}  // namespace

py::object EventSlotFor(const ObjectPtr& source, const typelib::MemberInfo& event) {
  return py::cast(EventSlot{source, event});
}

int VisitHandlers(const AutomationObject* source, visitproc visit, void* arg) {
  auto it = Sinks().find(source);
  if (it == Sinks().end()) return 0;
  for (const auto& weak : it->second) {
    if (auto sink = weak.lock()) {
      if (int failed = sink->Visit(visit, arg)) return failed;
    }
  }
  return 0;
}

void ClearHandlers(const AutomationObject* source) {
  auto it = Sinks().find(source);
  if (it == Sinks().end()) return;
  const auto sinks = it->second;  // clearing runs Python code that may connect again
  for (const auto& weak : sinks) {
    if (auto sink = weak.lock()) sink->Clear();
  }
}

std::size_t PendingEvents() {
  std::lock_guard lock(queue_mutex);
  return Queue().size();
}

void Pump(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0 || seconds > 86400) {
    throw py::value_error("pump: seconds must be 0 to 86400");
  }
  struct Depth {
    Depth() { ++pump_depth; }
    ~Depth() { --pump_depth; }
  } depth;
  const auto span = std::chrono::milliseconds(static_cast<int64_t>(std::llround(seconds * 1000)));
  DeliverQueued();
  if (manual_depth > 0) {
    // Time moves from expiry to expiry without sleeping.
    platform::PumpFor(span);
    DeliverQueued();
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + span;
  for (;;) {
    platform::PumpOnce();
    DeliverQueued();
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    // Other Python threads run while this one waits; short slices keep Ctrl-C prompt.
    const int wait = static_cast<int>(std::min<int64_t>(left.count(), 100));
    const int fd = platform::QueueFd();
    py::gil_scoped_release release;
    if (fd >= 0) {
      pollfd p{fd, POLLIN, 0};
      ::poll(&p, 1, wait);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    }
  }
}

void DefineEventTypes(py::module_& m) {
  py::class_<Connection>(m, "Connection", "One handler connected to one event.")
      .def("disconnect", &Connection::Disconnect, "Stops delivery to this handler.")
      .def_property_readonly("connected",
                             [](const Connection& c) { return c.sink && c.sink->active(); })
      .def_property_readonly("handler", [](const Connection& c) { return c.sink->handler(); })
      .def("__enter__", [](py::object self) { return self; })
      .def("__exit__", [](Connection& c, py::args) {
        c.Disconnect();
        return false;
      });

  py::class_<EventSlot>(m, "EventSlot", "An event of an object: connect handlers to it.")
      .def("connect", &Connect, py::arg("handler"),
           "Connects handler(*event arguments); returns a Connection. Delivered inside "
           "moxtrel.pump on this thread.")
      .def(
          "disconnect", [](const EventSlot&, Connection& c) { c.Disconnect(); },
          py::arg("connection"))
      .def_property_readonly("__doc__",
                             [](const EventSlot& s) { return ToPyStr(MemberDoc(s.event)); })
      .def("__repr__", [](const EventSlot& s) {
        return "<event " + ToUtf8(std::u16string(s.source->TypeName()) + u"." + s.event.name) + ">";
      });

  py::class_<ManualClock>(m, "ManualClock",
                          "While entered, this thread's timer clock moves only when pump() moves "
                          "it, without sleeping.")
      .def("__enter__",
           [](py::object self) {
             self.cast<ManualClock&>().Enter();
             return self;
           })
      .def("__exit__", [](ManualClock& c, py::args) {
        c.Exit();
        return false;
      });

  m.def(
      "manual_clock", [] { return ManualClock(); },
      "A context manager that stops this thread's timer clock; pump() then moves it.");
  m.def("pump", &Pump, py::arg("seconds"),
        "Runs this thread's timers and delivers its events for `seconds`.");
  m.def("pending_events", &PendingEvents, "Events waiting for their thread's next pump.");
  m.def(
      "set_error_hook",
      [](py::object hook) {
        if (hook.is_none()) {
          SetHandlerFailureHook(nullptr);
          return;
        }
        if (!PyCallable_Check(hook.ptr())) throw py::type_error("the error hook must be callable");
        auto held = std::make_shared<HeldObject>(hook);
        SetHandlerFailureHook([held](const AutomationError& error) {
          py::gil_scoped_acquire gil;
          try {
            py::object instance = State().error(static_cast<uint32_t>(error.code()), "moxtrel",
                                                ToPyStr(error.description()));
            held->object(instance);
          } catch (py::error_already_set& e) {
            e.discard_as_unraisable("moxtrel error hook");
          }
        });
      },
      py::arg("hook"),
      "hook(error) receives failures of event handlers on this thread as moxtrel.Error; None "
      "restores the one-line report on stderr.");
}

}  // namespace moxtrel::python
