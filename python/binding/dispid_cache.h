// The names an attribute access has already resolved, per class: a read finds its DISPID (or
// the event it names) by one hash lookup of the spelling Python gave, not by a scan of the
// class's members with case folding. Only names that resolved are kept, so what a name means,
// without regard to case, is what the dispatch layer says; each class keeps a bounded number of
// spellings, and a spelling beyond them is looked up afresh every time. Used under the GIL.
//
// In front of that sits a small table keyed by the identity of the Python str itself: the
// names in a program's source are interned, so a repeated `u.UserName` is found by comparing
// two pointers, without hashing or converting the name. It holds a reference to each str it
// keeps, so an address it compares can never belong to another string.
//
//   if (const NameEntry* hit = CachedName(iface, name_object)) return hit->id;
//   if (const NameEntry* hit = CachedName(iface, "username")) return hit->id;
#pragma once

#include <Python.h>

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

// The entry kept for this very str object on `iface`, or null.
const NameEntry* CachedName(const typelib::InterfaceInfo* iface, PyObject* name);
// Keeps `entry` for the str `name` on `iface`, replacing what shared its place in the table.
void RememberName(const typelib::InterfaceInfo* iface, PyObject* name, const NameEntry& entry);

}  // namespace moxtrel::python
