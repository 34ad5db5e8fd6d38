// A computer one backend serves: it names itself from its ComputerAddress and keeps a Filter
// (FilteredContainer). ContextComputer adds the backend's context, whose address() it names
// itself from.
//
//   class FilesComputer final
//       : public directory::ContextComputer<FilesContext, directory::BackendComputer> {
//    public:
//     explicit FilesComputer(ContextPtr ctx) : ContextComputer(std::move(ctx)) {}
//     ...   // Get, Put, SetInfo, NewEnum, Create, Delete, MoveHere: ctx_ is at hand
//   };
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "moxtrel/directory/computer_address.h"
#include "moxtrel/directory/filtered_container.h"
#include "moxtrel/directory/typed_properties.h"

namespace moxtrel::directory {

class BackendComputer : public ComputerProperties, public FilteredContainer {
 public:
  std::u16string Name() override { return address_->Computer(); }
  std::u16string Class() override { return u"Computer"; }
  std::u16string GUID() override { return u""; }
  std::u16string ADsPath() override { return address_->Path(); }
  std::u16string Parent() override { return address_->Parent(); }

 protected:
  explicit BackendComputer(std::shared_ptr<const ComputerAddress> address)
      : address_(std::move(address)) {}

  const ComputerAddress& address() const noexcept { return *address_; }

 private:
  std::shared_ptr<const ComputerAddress> address_;
};

// `Computer` is BackendComputer or one of its kind (PartialComputer), taking the address first
// and then `args`.
template <class Context, class Computer>
class ContextComputer : public Computer {
 protected:
  template <class... Args>
  explicit ContextComputer(std::shared_ptr<Context> ctx, Args&&... args)
      : Computer({ctx, &ctx->address()}, std::forward<Args>(args)...), ctx_(std::move(ctx)) {}

  std::shared_ptr<Context> ctx_;
};

}  // namespace moxtrel::directory
