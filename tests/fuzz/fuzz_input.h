// Reads a fuzzer's input bytes as numbers and strings; past the end every read gives zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace moxtrel::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Empty() const { return pos_ >= size_; }
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return v;
  }
  // A string of up to `max` UTF-16 code units, any of them, surrogates and NUL included.
  std::u16string Text(size_t max) {
    const size_t n = Byte() % (max + 1);
    std::u16string out;
    for (size_t i = 0; i < n && !Empty(); ++i) {
      const uint8_t lo = Byte();
      out += static_cast<char16_t>(lo < 0x80 ? lo : (lo << 8) | Byte());
    }
    return out;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace moxtrel::fuzz
