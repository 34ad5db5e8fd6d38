// WrapperTable: the live automation objects' wrappers, by the object's address. A walk adds
// and drops one entry per item, so the table keeps its entries in one open-addressed array
// (linear probing, deletion by shifting back) and allocates only when it grows.
//
//   WrapperTable live;
//   if (PyObject* w = live.Find(object.get())) return w;
//   live.Insert(object.get(), wrapper);
//   live.Erase(object.get(), wrapper);  // only while it still maps to that wrapper
#pragma once

#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace moxtrel::python {

class WrapperTable {
 public:
  // The wrapper kept for `key`, or null.
  PyObject* Find(const void* key) const noexcept {
    if (slots_.empty()) return nullptr;
    for (std::size_t i = Home(key);; i = Next(i)) {
      if (slots_[i].key == key) return slots_[i].value;
      if (!slots_[i].key) return nullptr;
    }
  }
  // Keeps `value` for `key` unless `key` has one already; returns the wrapper kept.
  PyObject* Insert(const void* key, PyObject* value);
  // Drops the entry of `key` if it is `value`.
  void Erase(const void* key, const PyObject* value) noexcept;
  std::size_t size() const noexcept { return size_; }

 private:
  struct Slot {
    const void* key = nullptr;
    PyObject* value = nullptr;
  };
  std::size_t Home(const void* key) const noexcept {
    // Fibonacci hashing: objects are allocated at aligned addresses, so the low bits alone
    // would crowd into a few slots.
    const auto h =
        static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(key)) * 0x9E3779B97F4A7C15ULL;
    return static_cast<std::size_t>(h >> shift_);
  }
  std::size_t Next(std::size_t i) const noexcept { return (i + 1) & (slots_.size() - 1); }
  void Grow();

  std::vector<Slot> slots_;  // a power of two in size, at most half full
  std::size_t size_ = 0;
  unsigned shift_ = 64;
};

}  // namespace moxtrel::python
