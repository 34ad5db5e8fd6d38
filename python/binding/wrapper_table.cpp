#include "binding/wrapper_table.h"

#include <utility>

namespace moxtrel::python {

PyObject* WrapperTable::Insert(const void* key, PyObject* value) {
  if (2 * (size_ + 1) > slots_.size()) Grow();
  std::size_t i = Home(key);
  for (; slots_[i].key; i = Next(i)) {
    if (slots_[i].key == key) return slots_[i].value;
  }
  slots_[i] = Slot{key, value};
  ++size_;
  return value;
}

void WrapperTable::Erase(const void* key, const PyObject* value) noexcept {
  if (slots_.empty()) return;
  std::size_t i = Home(key);
  for (; slots_[i].key != key; i = Next(i)) {
    if (!slots_[i].key) return;
  }
  if (slots_[i].value != value) return;
  // Shift back the entries after the hole that would no longer be found past it.
  std::size_t hole = i;
  for (std::size_t j = Next(hole); slots_[j].key; j = Next(j)) {
    const std::size_t home = Home(slots_[j].key);
    // The entry at j may fill the hole when its home does not lie cyclically in (hole, j].
    const bool between = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
    if (!between) {
      slots_[hole] = slots_[j];
      hole = j;
    }
  }
  slots_[hole] = Slot{};
  --size_;
}

void WrapperTable::Grow() {
  std::vector<Slot> old =
      std::exchange(slots_, std::vector<Slot>(slots_.empty() ? 16 : 2 * slots_.size()));
  shift_ = 64;
  for (std::size_t n = slots_.size(); n > 1; n >>= 1) --shift_;
  for (const Slot& s : old) {
    if (!s.key) continue;
    std::size_t i = Home(s.key);
    while (slots_[i].key) i = Next(i);
    slots_[i] = s;
  }
}

}  // namespace moxtrel::python
