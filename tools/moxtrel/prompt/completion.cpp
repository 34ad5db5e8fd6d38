#include "completion.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/typelib.h"
#include "script/builtins.h"

namespace moxtrel::script {
namespace {

constexpr std::string_view kKeywords[] = {
    "And",      "ByRef", "ByVal",    "Call",  "Case",    "Const",  "Dim",    "Do",
    "Each",     "Else",  "ElseIf",   "Empty", "End",     "Error",  "Exit",   "Explicit",
    "False",    "For",   "Function", "GoTo",  "If",      "In",     "Is",     "Loop",
    "Mod",      "New",   "Next",     "Not",   "Nothing", "On",     "Option", "Or",
    "Preserve", "Print", "Quit",     "ReDim", "Resume",  "Select", "Set",    "Step",
    "Sub",      "Then",  "To",       "True",  "Until",   "Wend",   "While",  "Xor"};

constexpr std::string_view kHostWords[] = {"CreateObject", "GetObject",   "Arguments",
                                           "Connect",      "Disconnect",  "Pump",
                                           "Err",          "LastFailure", "Directory"};

constexpr std::string_view kCommands[] = {":classes", ":functions", ":help", ":members", ":quit"};

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool StartsNoCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

class Candidates {
 public:
  explicit Candidates(std::string_view prefix) : prefix_(prefix) {}
  void Add(std::string_view name, std::string_view suffix = {}) {
    if (!name.empty() && StartsNoCase(name, prefix_))
      list_.push_back(std::string(name) + std::string(suffix));
  }
  void Add(std::u16string_view name, std::string_view suffix = {}) { Add(ToUtf8(name), suffix); }
  std::vector<std::string> Take() {
    std::sort(list_.begin(), list_.end(), [](const std::string& a, const std::string& b) {
      return ToUtf8(FoldCase(FromUtf8(a))) < ToUtf8(FoldCase(FromUtf8(b)));
    });
    list_.erase(std::unique(list_.begin(), list_.end(),
                            [](const std::string& a, const std::string& b) {
                              return EqualsNoCase(FromUtf8(a), FromUtf8(b));
                            }),
                list_.end());
    return std::move(list_);
  }

 private:
  std::string_view prefix_;
  std::vector<std::string> list_;
};

void AddClasses(Candidates& c, bool creatable_only) {
  for (const auto& cls : typelib::Library().classes) {
    if (cls.published && (!creatable_only || cls.coclass.creatable)) c.Add(cls.coclass.name);
  }
}

// The members a chain such as `d.Users` offers, from the variable's object and then the
// declared types of the properties along the way.
struct MemberSource {
  const typelib::InterfaceInfo* iface = nullptr;
  const HostObject* host = nullptr;
};

std::optional<MemberSource> ResolveChain(const std::vector<std::string>& chain,
                                         Interpreter& interpreter) {
  auto root = interpreter.Lookup(FromUtf8(chain.front()));
  if (!root || !root->IsObject() || !root->AsObject()) return std::nullopt;
  MemberSource src;
  if (auto* host = dynamic_cast<const HostObject*>(root->AsObject().get())) {
    if (chain.size() > 1) return std::nullopt;
    src.host = host;
    return src;
  }
  src.iface = dispatch::InterfaceOf(*root->AsObject());
  for (size_t i = 1; i < chain.size() && src.iface; ++i) {
    const typelib::InterfaceInfo* next = nullptr;
    for (const auto& m : src.iface->members) {
      if ((m.kind == typelib::MemberKind::kGet || m.kind == typelib::MemberKind::kMethod) &&
          m.result.kind == typelib::TypeKind::kObject && EqualsNoCase(m.name, FromUtf8(chain[i]))) {
        if (const auto* cls = typelib::FindAnyClass(m.result.name)) next = &cls->iface;
        break;
      }
    }
    src.iface = next;
  }
  if (!src.iface) return std::nullopt;
  return src;
}

void AddMembers(Candidates& c, const MemberSource& src) {
  if (src.host) {
    for (const auto& d : src.host->Describe()) c.Add(std::string_view(d).substr(0, d.find(' ')));
    return;
  }
  for (const auto& m : src.iface->members) {
    if (!m.hidden) c.Add(m.name);
  }
}

void AddWords(Candidates& c, Interpreter& interpreter) {
  for (auto k : kKeywords) c.Add(k);
  for (auto h : kHostWords) c.Add(h);
  for (const auto& name : interpreter.Names()) c.Add(name);
  for (const auto& sig : PureBuiltinSignatures())
    c.Add(std::string_view(sig).substr(0, sig.find('(')));
  for (const auto& cls : typelib::Library().classes) {
    if (cls.published && cls.coclass.appobject) {
      for (const auto& m : cls.iface.members) {
        if (!m.hidden) c.Add(m.name);
      }
    }
  }
  for (const auto& e : typelib::Library().enums) {
    for (const auto& [member, value] : e.members) {
      std::u16string word;
      for (char16_t ch : member) {
        if (ch != u' ') word += ch;
      }
      c.Add(word);
    }
  }
}

// Inside an open string: the position just after its opening quote.
std::optional<size_t> OpenString(std::string_view text) {
  std::optional<size_t> open;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') open = open ? std::nullopt : std::optional<size_t>(i + 1);
    if (text[i] == '\'' && !open) return std::nullopt;  // a comment
  }
  return open;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool EndsWithWord(std::string_view text, std::string_view word) {
  text = TrimRight(text);
  if (text.size() < word.size() || !StartsNoCase(text.substr(text.size() - word.size()), word))
    return false;
  return text.size() == word.size() || !IsWordChar(text[text.size() - word.size() - 1]);
}

}  // namespace

std::string CommonPrefix(const std::vector<std::string>& candidates) {
  if (candidates.empty()) return {};
  size_t n = candidates.front().size();
  for (const auto& c : candidates) {
    size_t i = 0;
    while (i < n && i < c.size() &&
           std::tolower(static_cast<unsigned char>(c[i])) ==
               std::tolower(static_cast<unsigned char>(candidates.front()[i]))) {
      ++i;
    }
    n = i;
  }
  return candidates.front().substr(0, n);
}

Completion Complete(std::string_view before, Interpreter& interpreter) {
  Completion out;
  // ":members u" and the other commands.
  const size_t lead = before.find_first_not_of(" \t");
  if (lead != std::string_view::npos && before[lead] == ':' &&
      before.find(' ', lead) == std::string_view::npos) {
    out.start = lead;
    Candidates c(before.substr(lead));
    for (auto cmd : kCommands) c.Add(cmd);
    out.candidates = c.Take();
    return out;
  }
  // CreateObject("Moxtrel.moxU
  if (auto open = OpenString(before)) {
    const std::string_view head = TrimRight(before.substr(0, *open - 1));
    if (!head.empty() && head.back() == '(' &&
        EndsWithWord(head.substr(0, head.size() - 1), "CreateObject")) {
      std::string_view typed = before.substr(*open);
      out.start = *open;
      if (StartsNoCase(typed, "Moxtrel.")) out.start += 8;
      Candidates c(before.substr(out.start));
      AddClasses(c, true);
      out.candidates = c.Take();
    }
    return out;
  }
  // [mox SVCS Ru
  if (const size_t bracket = before.rfind('[');
      bracket != std::string_view::npos && before.find(']', bracket) == std::string_view::npos) {
    out.start = bracket + 1;
    Candidates c(before.substr(out.start));
    for (const auto& e : typelib::Library().enums) {
      for (const auto& [member, value] : e.members) c.Add(member, "]");
    }
    out.candidates = c.Take();
    return out;
  }
  size_t start = before.size();
  while (start > 0 && IsWordChar(before[start - 1])) --start;
  out.start = start;
  Candidates c(before.substr(start));
  if (start > 0 && before[start - 1] == '.') {
    // The chain of plain names before the dot: `d.Users.`
    std::vector<std::string> chain;
    size_t end = start - 1;
    for (;;) {
      size_t s = end;
      while (s > 0 && IsWordChar(before[s - 1])) --s;
      if (s == end) return out;
      chain.insert(chain.begin(), std::string(before.substr(s, end - s)));
      if (s == 0 || before[s - 1] != '.') break;
      end = s - 1;
    }
    if (auto src = ResolveChain(chain, interpreter)) AddMembers(c, *src);
    out.candidates = c.Take();
    return out;
  }
  const std::string_view head = before.substr(0, start);
  if (EndsWithWord(head, "New")) {
    AddClasses(c, true);
  } else if (lead != std::string_view::npos && before[lead] == ':') {
    AddClasses(c, false);
    for (const auto& name : interpreter.Names()) c.Add(name);
    c.Add("Err");
    c.Add("LastFailure");
    c.Add("Directory");
  } else {
    AddWords(c, interpreter);
  }
  out.candidates = c.Take();
  return out;
}

}  // namespace moxtrel::script
