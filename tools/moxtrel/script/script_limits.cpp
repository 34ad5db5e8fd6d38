#include "script_limits.h"

#include <pthread.h>

#include <algorithm>

#include "moxtrel/frame/text.h"
#include "script_error.h"

namespace moxtrel::script {
namespace {

std::u16string Number(std::size_t n) {
  return FromUtf8(std::to_string(n));
}

}  // namespace

void CheckStringLength(std::size_t length, const std::string& where) {
  if (length > kMaxStringLength) {
    throw RuntimeError(kOutOfMemory,
                       u"Out of memory: a string may hold at most " + Number(kMaxStringLength) +
                           u" characters, not " + Number(length),
                       where);
  }
}

void CheckArrayLength(std::size_t length, const std::string& where) {
  if (length > kMaxArrayLength) {
    throw RuntimeError(kOutOfMemory,
                       u"Out of memory: an array may hold at most " + Number(kMaxArrayLength) +
                           u" elements, not " + Number(length),
                       where);
  }
}

const char* StackFloor() {
  const char* here = static_cast<const char*>(__builtin_frame_address(0));
  void* addr = nullptr;
  std::size_t size = 0;
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) == 0) {
    if (pthread_attr_getstack(&attr, &addr, &size) != 0) addr = nullptr;
    pthread_attr_destroy(&attr);
  }
  constexpr std::size_t kFallbackBudget = std::size_t{1} << 20;
  const char* low = static_cast<const char*>(addr);
  if (!low || size == 0 || here <= low || here > low + size) return here - kFallbackBudget;
  // Keep half the stack or 1 MiB, whichever is less, for what runs past the last check.
  const std::size_t reserve = std::min(size / 2, std::size_t{1} << 20);
  return low + reserve;
}

}  // namespace moxtrel::script
