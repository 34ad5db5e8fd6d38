#include "moxtrel/directory/computer_address.h"

#include "moxtrel/directory/path.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::directory {

ComputerAddress::ComputerAddress(std::u16string domain, std::u16string computer)
    : domain_(std::move(domain)), computer_(std::move(computer)) {
  path_ = std::u16string(kPathPrefix) + (domain_.empty() ? u"" : domain_ + u"/") + computer_;
}

std::u16string ComputerAddress::Parent() const {
  return std::u16string(domain_.empty() ? kNamespacePath : kPathPrefix) + domain_;
}

std::u16string ComputerAddress::ChildPath(std::u16string_view name) const {
  return path_ + u"/" + std::u16string(name);
}

std::size_t ComputerAddress::Match(const std::vector<std::u16string>& c) const noexcept {
  if (!c.empty() && EqualsNoCase(c[0], computer_)) return 1;
  if (!domain_.empty() && c.size() >= 2 && EqualsNoCase(c[0], domain_) &&
      EqualsNoCase(c[1], computer_)) {
    return 2;
  }
  return 0;
}

void ComputerAddress::NotServed(std::u16string_view path, std::u16string_view why,
                                std::u16string_view backend, std::u16string_view serves) const {
  throw AutomationError(errc::kNoSuchObject, u"There is no object at " + std::u16string(path) +
                                                 u": " + std::u16string(why) + u"; " +
                                                 std::u16string(backend) + u" serves only " +
                                                 std::u16string(serves) + u" of the computer " +
                                                 path_);
}

}  // namespace moxtrel::directory
