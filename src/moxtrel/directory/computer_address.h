// One computer as a backend serves it: the names a path may give it ("C" alone, or "D/C" when it
// sits in domain D), and the paths it reports for itself and what it holds.
//
//   ComputerAddress pc(u"CORP", u"PC1");
//   pc.Path();                          // "WinNT://CORP/PC1"
//   pc.Match(ParsePath(p).components);  // 1 for "WinNT://PC1/x", 2 for "WinNT://CORP/PC1/x", else
//   0
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace moxtrel::directory {

class ComputerAddress {
 public:
  ComputerAddress(std::u16string domain, std::u16string computer);

  const std::u16string& Computer() const noexcept { return computer_; }
  // "WinNT://C" or "WinNT://D/C".
  const std::u16string& Path() const noexcept { return path_; }
  // What the computer reports as its Parent: "WinNT:" or "WinNT://D".
  std::u16string Parent() const;
  // Path() + "/" + name: a queue, an account or a share of the computer.
  std::u16string ChildPath(std::u16string_view name) const;
  // How many leading components name this computer, without regard to case: 1 for "C", 2 for
  // "D/C", 0 when they name another computer or domain.
  std::size_t Match(const std::vector<std::u16string>& components) const noexcept;
  // errc::kNoSuchObject: "There is no object at `path`: `why`; `backend` serves only `serves` of
  // the computer ...".
  [[noreturn]] void NotServed(std::u16string_view path, std::u16string_view why,
                              std::u16string_view backend, std::u16string_view serves) const;

 private:
  std::u16string domain_, computer_, path_;
};

}  // namespace moxtrel::directory
