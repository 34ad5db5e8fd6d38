// AutomationObject: the base of every object a client can hold in a Variant (the public classes
// and enumerators). Objects are shared_ptr-owned; TypeName() is the class name that the dispatch
// layer and the script host show ("moxUser").
#pragma once

#include <memory>
#include <string_view>

namespace moxtrel {

namespace typelib {
struct ClassBinding;
}
namespace dispatch::detail {
struct BindingCache;
}

class AutomationObject : public std::enable_shared_from_this<AutomationObject> {
 public:
  AutomationObject(const AutomationObject&) = delete;
  AutomationObject& operator=(const AutomationObject&) = delete;
  virtual ~AutomationObject() = default;

  virtual std::u16string_view TypeName() const noexcept = 0;

 protected:
  AutomationObject() = default;

 private:
  friend struct dispatch::detail::BindingCache;
  // The class's dispatch table, found by the first late-bound call and carried from then on.
  mutable const typelib::ClassBinding* binding_ = nullptr;
};

using ObjectPtr = std::shared_ptr<AutomationObject>;

}  // namespace moxtrel
