// ChangeRecord: what a change of several account files is about to do, written and flushed
// before the first file is replaced and removed after the last, so that a writer that finds it
// (the process that wrote it died between two replacements) can finish the change. For each
// file it holds a digest of the text before and after, and the change as edits of entries by
// name, which can be applied again to whatever the file holds now:
//
//   D:name          remove the entry "name"
//   P:name:line     replace the entry "name" (or the entry the line names) with the line
//   A:line          append the line unless an entry of its name exists
//
//   ChangeRecord r;
//   r.files.push_back({"etc/passwd", Digest(before), Digest(after), DiffEntries(before, after)});
//   std::string text = r.Format();   // ChangeRecord::Parse(text) gives it back
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace moxtrel::backends::files {

struct FileEdits {
  std::string label;  // "etc/passwd"
  uint64_t before = 0, after = 0;
  std::vector<std::string> edits;
};

struct ChangeRecord {
  std::vector<FileEdits> files;

  std::string Format() const;
  // Throws AutomationError naming `where` when the text is not a whole record.
  static ChangeRecord Parse(std::string_view text, const std::string& where);
};

// A digest of a file's text (64-bit FNV-1a), to recognise it again.
uint64_t Digest(std::string_view text);

// The edits that turn `before` into `after`, entries compared by their name (the text before
// the first colon; the first entry of a name counts).
std::vector<std::string> DiffEntries(std::string_view before, std::string_view after);

// `text` with the edits applied; applying them again changes nothing.
std::string ApplyEntries(std::string_view text, const std::vector<std::string>& edits);

// The lines an edit writes (the line of P and A; none for D).
std::string_view EditLine(std::string_view edit);

}  // namespace moxtrel::backends::files
