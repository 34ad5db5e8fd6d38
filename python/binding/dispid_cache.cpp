#include "binding/dispid_cache.h"

#include <cstdint>
#include <unordered_map>

namespace moxtrel::python {
namespace {

using Spellings = std::unordered_map<std::string, NameEntry>;

// Interfaces live as long as the process (the library's tables and registered extra classes),
// so their addresses are stable keys.
std::unordered_map<const typelib::InterfaceInfo*, Spellings>& Cache() {
  static auto* cache = new std::unordered_map<const typelib::InterfaceInfo*, Spellings>();
  return *cache;
}

// Enough for each member and event in a few spellings; a program that makes up spellings
// without end cannot grow the cache without end.
std::size_t Limit(const typelib::InterfaceInfo& iface) {
  return 4 * iface.members.size() + 64;
}

}  // namespace

namespace detail {
IdentitySet identity_table[kIdentitySets];
}

void RememberName(PyTypeObject* type, unsigned int version, PyObject* name,
                  const NameEntry& entry) {
  detail::IdentitySet& set = detail::IdentitySetOf(type, name);
  for (detail::IdentityEntry& e : set) {
    if (e.name == name && e.type == type) {
      e.version = version;
      e.entry = entry;
      return;
    }
  }
  PyObject* dropped = set[1].name;
  set[1] = set[0];
  Py_INCREF(name);
  set[0] = detail::IdentityEntry{type, version, name, entry};
  Py_XDECREF(dropped);
}

void ForgetNameObjects() noexcept {
  for (detail::IdentitySet& set : detail::identity_table) {
    for (detail::IdentityEntry& e : set) e = detail::IdentityEntry{};
  }
}

const NameEntry* CachedName(const typelib::InterfaceInfo* iface, const std::string& name) {
  if (!iface) return nullptr;
  auto& cache = Cache();
  const auto spellings = cache.find(iface);
  if (spellings == cache.end()) return nullptr;
  const auto hit = spellings->second.find(name);
  return hit == spellings->second.end() ? nullptr : &hit->second;
}

void RememberName(const typelib::InterfaceInfo* iface, const std::string& name, NameEntry entry) {
  if (!iface) return;
  Spellings& spellings = Cache()[iface];
  if (spellings.size() < Limit(*iface)) spellings.emplace(name, entry);
}

std::size_t CachedNames(const typelib::InterfaceInfo* iface) {
  const auto found = Cache().find(iface);
  return found == Cache().end() ? 0 : found->second.size();
}

}  // namespace moxtrel::python
