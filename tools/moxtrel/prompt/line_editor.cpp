#include "line_editor.h"

#include <histedit.h>

#include <clocale>
#include <cstring>

#include "script/interrupt.h"

namespace moxtrel::script {
namespace {

// Characters, not bytes: libedit counts what it deletes in characters.
int CodePoints(std::string_view utf8) {
  int n = 0;
  for (char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

}  // namespace

LineEditor::LineEditor(FILE* in, FILE* out, Completer completer)
    : out_(out), completer_(std::move(completer)) {
  // libedit decodes multibyte input by the locale; a program starts in "C".
  if (const char* now = std::setlocale(LC_CTYPE, nullptr); now && std::strcmp(now, "C") == 0) {
    std::setlocale(LC_CTYPE, "");
  }
  history_ = history_init();
  HistEvent ev;
  history(history_, &ev, H_SETSIZE, 1000);
  el_ = el_init("moxtrel", in, out, stderr);
  el_set(el_, EL_CLIENTDATA, this);
  el_set(el_, EL_EDITOR, "emacs");
  el_set(el_, EL_SIGNAL, 1);  // follows window size changes
  el_set(el_, EL_HIST, history, history_);
  el_set(el_, EL_PROMPT, &LineEditor::PromptText);
  el_source(el_, nullptr);  // the user's ~/.editrc, before our own keys
  // The wide call keeps the names as given; the narrow one copies them and never frees them.
  el_wset(el_, EL_ADDFN, L"moxtrel-complete", L"Complete the word before the cursor",
          &LineEditor::OnTab);
  el_set(el_, EL_BIND, "^I", "moxtrel-complete", nullptr);
  // While a line is edited Ctrl-C is a key, not a signal, so it cancels just the line.
  el_set(el_, EL_SETTY, "-d", "-isig", nullptr);
  el_wset(el_, EL_ADDFN, L"moxtrel-cancel", L"Cancel the line", &LineEditor::OnCancel);
  el_set(el_, EL_BIND, "^C", "moxtrel-cancel", nullptr);
}

LineEditor::~LineEditor() {
  el_end(el_);
  history_end(history_);
}

LineEditor& LineEditor::Of(editline* el) {
  void* self = nullptr;
  el_get(el, EL_CLIENTDATA, &self);
  return *static_cast<LineEditor*>(self);
}

char* LineEditor::PromptText(editline* el) {
  return Of(el).prompt_.data();
}

unsigned char LineEditor::OnCancel(editline* el, wint_t) {
  LineEditor& self = Of(el);
  self.cancelled_ = true;
  std::fputs("^C\n", self.out_);  // as shells show it; the line is dropped
  std::fflush(self.out_);
  return CC_NEWLINE;
}

unsigned char LineEditor::OnTab(editline* el, wint_t) {
  LineEditor& self = Of(el);
  const LineInfo* li = el_line(el);
  const std::string before(li->buffer, li->cursor);
  const Completion c = self.completer_(before);
  if (c.candidates.empty()) return CC_REFRESH_BEEP;
  const std::string typed = before.substr(c.start);
  const std::string common =
      c.candidates.size() == 1 ? c.candidates.front() : CommonPrefix(c.candidates);
  if (common.size() > typed.size() || (c.candidates.size() == 1 && common != typed)) {
    el_deletestr(el, CodePoints(typed));
    el_insertstr(el, common.c_str());
    return CC_REFRESH;
  }
  if (c.candidates.size() == 1) return CC_REFRESH;
  // Nothing more to add: list the choices under the line, then redraw it.
  size_t width = 0;
  for (const auto& s : c.candidates) width = std::max(width, s.size());
  const size_t columns = std::max<size_t>(1, 78 / (width + 2));
  std::fputc('\n', self.out_);
  for (size_t i = 0; i < c.candidates.size(); ++i) {
    std::fprintf(self.out_, "%-*s", static_cast<int>(width + 2), c.candidates[i].c_str());
    if ((i + 1) % columns == 0 || i + 1 == c.candidates.size()) std::fputc('\n', self.out_);
  }
  std::fflush(self.out_);
  return CC_REDISPLAY;
}

LineEditor::Result LineEditor::Read(const std::string& prompt, std::string& line) {
  prompt_ = prompt;
  cancelled_ = false;
  int count = 0;
  const char* text = el_gets(el_, &count);
  if (cancelled_) return Result::kCancelled;
  if (!text || count <= 0) {
    // A SIGINT sent from outside can end the read too: that is a cancel, not the end.
    if (InterruptRequested()) {
      std::fputc('\n', out_);
      return Result::kCancelled;
    }
    return Result::kEnd;
  }
  line.assign(text, static_cast<size_t>(count));
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return Result::kLine;
}

void LineEditor::Remember(const std::string& line) {
  HistEvent ev;
  history(history_, &ev, H_ENTER, line.c_str());
}

bool LineEditor::LoadHistory(const std::string& path) {
  HistEvent ev;
  return history(history_, &ev, H_LOAD, path.c_str()) >= 0;
}

bool LineEditor::SaveHistory(const std::string& path) {
  HistEvent ev;
  return history(history_, &ev, H_SAVE, path.c_str()) >= 0;
}

}  // namespace moxtrel::script
