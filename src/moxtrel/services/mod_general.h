// modGeneral: library-wide helpers of the services classes. The local computer's name is asked
// of the system once per thread and kept for the thread's life.
//
//   std::u16string here = modGeneral::GetLocalComputerName();   // u"PC1"
#pragma once

#include <string>

namespace moxtrel::modGeneral {

// The local computer's name, cached per thread; an empty answer is not kept, so the next call
// asks again.
std::u16string GetLocalComputerName();

namespace internal {
// Forgets this thread's cached name, so that tests can install other system facts.
void ResetLocalComputerName() noexcept;
}  // namespace internal

}  // namespace moxtrel::modGeneral
