// Reading an account file and replacing it the way the platform's account tools do: the new
// text goes to "<file>+", is flushed and renamed over the file; the previous text is kept as
// "<file>-". Owner and permissions of the old file carry over to both.
//
//   std::optional<std::string> text = ReadAccountFile(root + "/etc/shadow", "etc/shadow");
//   ReplaceAccountFile(root + "/etc/shadow", "etc/shadow", *text, new_text);
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace moxtrel::backends::files {

// The whole file; nullopt when it does not exist; throws naming `label` when unreadable.
std::optional<std::string> ReadAccountFile(const std::string& path, const std::string& label);

void ReplaceAccountFile(const std::string& path, const std::string& label,
                        const std::string& old_text, const std::string& new_text);

// Test hook: called with the path of "<file>+" after it was written and flushed, before the
// rename. A hook that throws leaves the original file in place.
void SetAfterTempWrittenHook(std::function<void(const std::string&)> hook);

}  // namespace moxtrel::backends::files
