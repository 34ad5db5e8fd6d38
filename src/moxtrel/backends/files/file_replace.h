// Reading an account file and replacing it the way the platform's account tools do: the new
// text goes to "<file>+", is flushed and renamed over the file; the previous text is kept as
// "<file>-". Owner and permissions of the old file carry over to both. A Replacement splits
// this into its steps, so that several files can be prepared first, then renamed one after the
// other, and put back when a later step fails.
//
//   std::optional<std::string> text = ReadAccountFile(root + "/etc/shadow", "etc/shadow");
//   ReplaceAccountFile(root + "/etc/shadow", "etc/shadow", *text, new_text);
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace moxtrel::backends::files {

// The most read from one account file, and from a settings file (login.defs, default/useradd,
// os-release). A writer never makes an account file larger than it can read back.
inline constexpr std::size_t kMaxAccountFileBytes = std::size_t{64} << 20;
inline constexpr std::size_t kMaxSettingsFileBytes = std::size_t{1} << 20;

// The whole file; nullopt when it does not exist; throws naming `label` when it cannot be read
// (errc::kAccessDenied for permissions), is not a regular file or holds more than `max_bytes`.
std::optional<std::string> ReadAccountFile(const std::string& path, const std::string& label,
                                           std::size_t max_bytes = kMaxAccountFileBytes);

class Replacement {
 public:
  Replacement(std::string path, std::string label, std::string old_text, std::string new_text);
  ~Replacement();
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;

  // Writes the backup "<file>-" (when the file exists) and "<file>+", each flushed; throws,
  // leaving the file as it was, when a step fails.
  void Prepare();
  // Renames "<file>+" over the file and flushes the folder. Throws when either fails; the
  // file may then hold the new text already (replaced() says whether the rename was made).
  void Commit();
  // Puts the old text back after Commit, by the same steps; throws when a step fails.
  void Undo();
  bool replaced() const noexcept { return replaced_; }
  const std::string& label() const noexcept { return label_; }

 private:
  std::string path_, label_, old_text_, new_text_;
  bool existed_ = false, prepared_ = false, replaced_ = false;
};

// Writes `text` to a new file at `path` (removing a leftover first) with `mode`, flushed.
void WriteFlushedFile(const std::string& path, const std::string& label, const std::string& text,
                      unsigned mode);

// Prepare and Commit of one file.
void ReplaceAccountFile(const std::string& path, const std::string& label,
                        const std::string& old_text, const std::string& new_text);

// Test hook: called with the path of "<file>+" after it was written and flushed, before the
// rename. A hook that throws leaves the original file in place.
void SetAfterTempWrittenHook(std::function<void(const std::string&)> hook);

}  // namespace moxtrel::backends::files
