// The names an attribute access has already resolved, per class: a read finds its DISPID (or
// the event it names) by one hash lookup of the spelling Python gave, not by a scan of the
// class's members with case folding. Only names that resolved are kept, so what a name means,
// without regard to case, is what the dispatch layer says; each class keeps a bounded number of
// spellings, and a spelling beyond them is looked up afresh every time. Used under the GIL.
//
// In front of that sits a small table keyed by the Python class and the identity of the str
// itself: the names in a program's source are interned, so a repeated `u.UserName` is found by
// comparing pointers, without hashing or converting the name. An entry also records the class's
// version tag, which CPython changes whenever the class or a base is modified, so an entry
// stands only while the class still holds no attribute of that name. It holds a reference to
// each str it keeps, so an address it compares can never belong to another string.
//
//   if (const NameEntry* hit = CachedName(Py_TYPE(self), name_object)) return hit->id;
//   if (const NameEntry* hit = CachedName(iface, "username")) return hit->id;
#pragma once

#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/typelib.h"

namespace moxtrel::python {

struct NameEntry {
  DispId id = 0;
  const typelib::MemberInfo* event = nullptr;  // set when the name is one of the events
  const typelib::MemberInfo* get = nullptr;    // the member's get without parameters, if any
};

// The entry `name` resolved to on `iface` before, or null.
const NameEntry* CachedName(const typelib::InterfaceInfo* iface, const std::string& name);
// Keeps what `name` resolved to on `iface` (a null `iface` keeps nothing).
void RememberName(const typelib::InterfaceInfo* iface, const std::string& name, NameEntry entry);
// The spellings kept for `iface` (for tests).
std::size_t CachedNames(const typelib::InterfaceInfo* iface);

namespace detail {
struct IdentityEntry {
  PyTypeObject* type = nullptr;
  unsigned int version = 0;  // the class's version tag when the entry was made
  PyObject* name = nullptr;  // a reference held while the entry is kept
  NameEntry entry;
};
// Two ways per set, the newest first, so two names that share a set (a loop reading UserName
// and FullName) do not push each other out.
inline constexpr std::size_t kIdentitySets = 256;
using IdentitySet = IdentityEntry[2];
extern IdentitySet identity_table[kIdentitySets];

inline IdentitySet& IdentitySetOf(const PyTypeObject* type, const PyObject* name) noexcept {
  auto h = reinterpret_cast<std::uintptr_t>(name) >> 4;
  h ^= reinterpret_cast<std::uintptr_t>(type) >> 3;
  h ^= h >> 8;
  return identity_table[h % kIdentitySets];
}
}  // namespace detail

// The entry kept for this very str object on the class `type`, unchanged since, or null.
inline const NameEntry* CachedName(PyTypeObject* type, PyObject* name) noexcept {
  if (!PyType_HasFeature(type, Py_TPFLAGS_VALID_VERSION_TAG)) return nullptr;
  for (const detail::IdentityEntry& e : detail::IdentitySetOf(type, name)) {
    if (e.name == name && e.type == type && e.version == type->tp_version_tag) return &e.entry;
  }
  return nullptr;
}
// Keeps `entry` for the str `name` on the class `type`, whose version tag was `version` when the
// class was found to hold no attribute of that name.
void RememberName(PyTypeObject* type, unsigned int version, PyObject* name, const NameEntry& entry);
// Empties the identity table for a module defined afresh. The names are let go without being
// released: the interpreter that made them may be gone.
void ForgetNameObjects() noexcept;

}  // namespace moxtrel::python
