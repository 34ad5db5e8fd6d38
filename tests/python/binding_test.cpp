// The C++ side of the Python binding under an embedded interpreter, so the sanitizer presets
// check its conversions, wrapper lifetimes and event delivery.
#include <gtest/gtest.h>
#include <pybind11/embed.h>

#include <cstdlib>
#include <memory>

#include "binding/dispid_cache.h"
#include "binding/module_definition.h"
#include "binding/object_wrapper.h"
#include "binding/value_convert.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/typelib.h"

namespace py = pybind11;

PYBIND11_EMBEDDED_MODULE(moxtrel_embedded, m) {
  moxtrel::python::DefineModule(m);
}

namespace moxtrel::python {
namespace {

// One interpreter for the whole run; it is never finalised, so nothing outlives it.
py::module_ Module() {
  // Python's own allocator hides pointers from the leak checker; plain malloc keeps them seen.
  static const int use_malloc = setenv("PYTHONMALLOC", "malloc", 0);
  (void)use_malloc;
  static py::scoped_interpreter* interpreter = new py::scoped_interpreter();
  (void)interpreter;
  static py::module_* module = new py::module_(py::module_::import("moxtrel_embedded"));
  return *module;
}

py::object Eval(const char* expression) {
  py::dict scope;
  scope["moxtrel"] = Module();
  py::exec("import datetime", scope);
  return py::eval(expression, scope);
}

void RunPython(const char* code) {
  py::dict scope;
  scope["moxtrel"] = Module();
  py::exec(code, scope);
}

class BindingTest : public ::testing::Test {
 protected:
  void SetUp() override { Module().attr("use_sample")(); }
};

// Values survive Python -> Variant -> Python unchanged, lone surrogates and old dates included.
TEST_F(BindingTest, ValuesRoundTrip) {
  const char* values[] = {"'plain'",
                          "''",
                          "'caf\\u00e9'",
                          "'\\u03a9\\u03bc\\u03ad\\u03b3\\u03b1'",
                          "'\\ud800 lone surrogate'",
                          "'\\U0001F600'",
                          "True",
                          "False",
                          "2**31 - 1",
                          "-2**31",
                          "2.5",
                          "float(2**40)",
                          "datetime.datetime(1800, 1, 1, 12, 30, 15)",
                          "datetime.datetime(1899, 12, 30)",
                          "datetime.datetime(9999, 12, 31, 23, 59, 59)",
                          "b'\\x00\\xff'",
                          "[1, 'two', [3.0, None]]",
                          "None",
                          "moxtrel.Empty"};
  for (const char* text : values) {
    SCOPED_TRACE(text);
    py::object value = Eval(text);
    py::object back = FromVariant(ToVariant(value, u"test"));
    EXPECT_TRUE(back.equal(value) || back.is(value)) << py::repr(back).cast<std::string>();
  }
  // Beyond 32 bits an int travels as a Double; beyond 53 bits it is refused.
  EXPECT_EQ(ToVariant(Eval("2**31"), u"test").type(), VarType::kDouble);
  EXPECT_THROW(ToVariant(Eval("2**53 + 1"), u"test"), py::error_already_set);
  EXPECT_THROW(ToVariant(Eval("object()"), u"test"), py::type_error);
  EXPECT_THROW(ToVariant(Eval("datetime.datetime(1, 1, 1)"), u"test"), py::error_already_set);
  EXPECT_THROW(FromVariant(Variant(Date{1e9})), py::error_already_set);
}

// One wrapper per live object; dropping the wrapper lets the object go.
TEST_F(BindingTest, WrappersAreUniqueAndReleaseTheirObject) {
  const std::size_t before = LiveWrappers();
  std::weak_ptr<AutomationObject> watch;
  {
    ObjectPtr user = dispatch::CreateObject(u"moxUser");
    watch = user;
    py::object first = Wrap(user);
    py::object second = Wrap(user);
    EXPECT_TRUE(first.is(second));
    EXPECT_EQ(LiveWrappers(), before + 1);
    EXPECT_EQ(Unwrap(first), user);
    EXPECT_EQ(Unwrap(Eval("1")), nullptr);
  }
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(LiveWrappers(), before);
}

// Walks reuse the blocks of dropped wrappers: weak references to them are cleared, kept ones
// still answer for their own objects, and the collector finds nothing amiss.
TEST_F(BindingTest, WalksReuseDroppedWrappers) {
  RunPython(R"(
import gc, weakref
d = moxtrel.create("moxDomain")
d.Name = "HARBOR"
users = d.Users
names = [u.UserName for u in users]
for _ in range(3):
    refs = [weakref.ref(u) for u in users]
    kept = [u for i, u in enumerate(users) if i % 3 == 0]
    gc.collect()
    assert all(r() is None for i, r in enumerate(refs) if i % 3), refs
    assert [u.UserName for u in kept] == names[::3]
    assert [u.FullName for u in users] == [u.FullName for u in list(users)]
    del kept
)");
}

// A handler that drops the last references to its source and then fails, while the source
// is raising: no use after free, the failure is reported, the handler is let go.
TEST_F(BindingTest, HandlerDropsItsSourceDuringAnEvent) {
  RunPython(R"(
import gc, weakref
reports = []
moxtrel.set_error_hook(reports.append)
q = moxtrel.create("moxPrintQueue")
assert q.Find("Laser3", "HB-PRINT")
holder = [q, q.PrintJobs]
del q
calls = []
def handler(*args):
    calls.append(args[0])
    holder.clear()
    gc.collect()
    raise RuntimeError("after the drop")
conn = holder[1].NewJob.connect(handler)
alive = weakref.ref(handler)
with moxtrel.manual_clock():
    holder[1].AutoUpdate = 250
    moxtrel.pump(1.0)
assert calls == ["1", "2"], calls
assert len(reports) == 2 and "RuntimeError: after the drop" in reports[0].description
del conn, handler
gc.collect()
assert alive() is None
moxtrel.set_error_hook(None)
)");
}

// The collector breaks a cycle through a handler that refers to its own source, and leaves
// alone the handlers of a source held elsewhere.
TEST_F(BindingTest, CollectorBreaksHandlerCycles) {
  RunPython(R"(
import gc, weakref
def connect():
    q = moxtrel.create("moxPrintQueue")
    assert q.Find("Laser3", "HB-PRINT")
    jobs = q.PrintJobs
    del q
    conn = jobs.NewJob.connect(lambda *args: jobs.Count)
    jobs.AutoUpdate = 250
    return weakref.ref(conn.handler)
handler = connect()
gc.collect()
assert handler() is None
kept = moxtrel.create("moxPrintQueue")
assert kept.Find("Laser3", "HB-PRINT")
conn = kept.PrintJobs.NewJob.connect(lambda *args: kept.Name)
gc.collect()
assert conn.connected and conn.handler is not None
)");
}

// Errors carry code, source and description; unknown names are AttributeErrors.
TEST_F(BindingTest, ErrorsCarryCodeSourceAndDescription) {
  RunPython(R"(
u = moxtrel.create("moxUser")
try:
    u.Fnid("x")
except AttributeError as e:
    assert e.code == 0x80020006 and e.source == "moxUser.Fnid" and "Find" in str(e), str(e)
else:
    raise AssertionError("no error")
try:
    u.Find()
except moxtrel.Error as e:
    assert e.code == 0x8002000E and e.source == "moxUser.Find", str(e)
)");
}

// The names kept per class stay bounded however many spellings a program makes up, and every
// spelling, kept or not, resolves to the same member.
TEST_F(BindingTest, NameCacheStaysBounded) {
  const typelib::InterfaceInfo* iface = typelib::Library().FindInterface(u"_moxUser");
  ASSERT_NE(iface, nullptr);
  RunPython(R"(
import itertools
u = moxtrel.create("moxUser")
assert u.Find("dalia", "HARBOR", 2)
u.Description = "kept"
for letters in itertools.islice(itertools.product(*[(c, c.upper()) for c in "description"]), 1000):
    assert getattr(u, "".join(letters)) == "kept"
)");
  const std::size_t limit = 4 * iface->members.size() + 64;
  ASSERT_LT(limit, 1000u);
  EXPECT_EQ(CachedNames(iface), limit);
  const NameEntry* hit = CachedName(iface, "Find");
  ASSERT_NE(hit, nullptr);
  DispId find = 0;
  ASSERT_TRUE(iface->FindDispId(u"find", find));
  EXPECT_EQ(hit->id, find);
  EXPECT_EQ(hit->event, nullptr);
}

}  // namespace
}  // namespace moxtrel::python
