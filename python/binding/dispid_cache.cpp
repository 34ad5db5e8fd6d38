#include "binding/dispid_cache.h"

#include <array>
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

// The identity table: two ways per set, the newest first, so two names that share a set (a
// loop reading UserName and FullName) do not push each other out.
struct IdentityEntry {
  const typelib::InterfaceInfo* iface = nullptr;
  PyObject* name = nullptr;  // a reference held while the entry is kept
  NameEntry entry;
};
constexpr std::size_t kSets = 256;
using IdentitySet = std::array<IdentityEntry, 2>;

std::array<IdentitySet, kSets>& IdentityTable() {
  static auto* table = new std::array<IdentitySet, kSets>();
  return *table;
}

IdentitySet& SetOf(const typelib::InterfaceInfo* iface, PyObject* name) {
  auto h = reinterpret_cast<std::uintptr_t>(name) >> 4;
  h ^= reinterpret_cast<std::uintptr_t>(iface) >> 3;
  h ^= h >> 8;
  return IdentityTable()[h % kSets];
}

}  // namespace

const NameEntry* CachedName(const typelib::InterfaceInfo* iface, PyObject* name) {
  IdentitySet& set = SetOf(iface, name);
  for (IdentityEntry& e : set) {
    if (e.name == name && e.iface == iface) return &e.entry;
  }
  return nullptr;
}

void RememberName(const typelib::InterfaceInfo* iface, PyObject* name, const NameEntry& entry) {
  if (!iface || CachedName(iface, name)) return;
  IdentitySet& set = SetOf(iface, name);
  PyObject* dropped = set[1].name;
  set[1] = set[0];
  Py_INCREF(name);
  set[0] = IdentityEntry{iface, name, entry};
  Py_XDECREF(dropped);
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
