// A provider that holds one backend context, shared with every handle it gives out, and binds
// a path by resolving it in the context then making the handle for what it names.
//
//   using CupsProvider = directory::ContextProvider<CupsContext, MakeCupsHandle>;
//   auto p = std::make_shared<CupsProvider>(std::move(options), host, port);  // the context's
//   p->context().connection();                                                // arguments
//
// `Context` has `Target Resolve(std::u16string_view path)`; `Make` is a function
// `std::shared_ptr<IADs>(const std::shared_ptr<Context>&, const Target&)`.
#pragma once

#include <memory>
#include <string_view>
#include <utility>

#include "moxtrel/directory/provider.h"

namespace moxtrel::directory {

template <typename Context, auto Make>
class ContextProvider final : public DirectoryProvider {
 public:
  template <typename... Args>
  explicit ContextProvider(Args&&... args)
      : ctx_(std::make_shared<Context>(std::forward<Args>(args)...)) {}

  std::shared_ptr<IADs> GetObject(std::u16string_view path) override {
    return Make(ctx_, ctx_->Resolve(path));
  }
  Context& context() const noexcept { return *ctx_; }

 private:
  std::shared_ptr<Context> ctx_;
};

}  // namespace moxtrel::directory
