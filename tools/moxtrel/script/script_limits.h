// The script host's resource limits: how long a string, how many array elements and how large a
// script file may be, and how much of the thread's stack a run may use. A script that goes past
// one gets a script error (Out of memory, Out of stack space) instead of taking the host down.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace moxtrel::script {

// Characters in one string (UTF-16 code units): 16 Mi, 32 MiB.
inline constexpr std::size_t kMaxStringLength = std::size_t{1} << 24;
// Elements in one array, as Dim a(1000000) makes.
inline constexpr std::size_t kMaxArrayLength = 1000001;
// Bytes in a script file or in script text read from standard input.
inline constexpr std::size_t kMaxScriptBytes = std::size_t{16} << 20;

// Throws the Out of memory script error when a string of `length` characters would be too long.
void CheckStringLength(std::size_t length, const std::string& where = {});
// Throws the Out of memory script error when an array of `length` elements would be too long.
void CheckArrayLength(std::size_t length, const std::string& where = {});

// The lowest stack address this thread may use before a run stops with Out of stack space: the
// thread's stack end plus a reserve for unwinding, library calls and sanitizer frames.
const char* StackFloor();

}  // namespace moxtrel::script
