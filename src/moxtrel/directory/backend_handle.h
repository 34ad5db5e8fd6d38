// The bases a backend's handle classes are made of, beside their typed properties
// (typed_properties.h). Each answers the identity members one way, from the backend's context:
//
//   BackendHandle<Context>          holds the context and the handle's kind: Class is the kind's
//                                   class word, GUID is empty, ADsPath is Parent "/" Name.
//   PlacedHandle<Context, &C::P>    ... and its Parent is the path the context's P gives.
//   NamedHandle<Context, &C::P>     ... and it holds its name as the backend spells it (UTF-8),
//                                   which Name reports.
//
//   class CupsQueue final : public directory::PrintQueueProperties,
//                           public directory::NamedHandle<CupsContext, &CupsContext::ComputerPath>
//                           {
//    public:
//     CupsQueue(ContextPtr ctx, std::string name)
//         : NamedHandle(std::move(ctx), ObjectKind::kPrintQueue, std::move(name)) {}
//     Variant Get(std::u16string_view name) override;   // ctx_ and name_ are at hand
//     ...
//   };
//
// A handle overrides what it answers otherwise (a GUID it keeps, a name it spells its own way).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "moxtrel/directory/ads.h"
#include "moxtrel/directory/path.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::directory {

template <class Context>
class BackendHandle : public virtual IADs {
 public:
  std::u16string Class() override { return std::u16string(ClassName(kind_)); }
  std::u16string GUID() override { return u""; }
  std::u16string ADsPath() override { return Parent() + u"/" + Name(); }

 protected:
  BackendHandle(std::shared_ptr<Context> ctx, ObjectKind kind)
      : ctx_(std::move(ctx)), kind_(kind) {}

  std::shared_ptr<Context> ctx_;

 private:
  ObjectKind kind_;
};

// `ParentPath` is a member of Context (or any callable on it) giving the container's path.
template <class Context, auto ParentPath>
class PlacedHandle : public BackendHandle<Context> {
 public:
  std::u16string Parent() override { return std::invoke(ParentPath, *this->ctx_); }

 protected:
  using BackendHandle<Context>::BackendHandle;
};

template <class Context, auto ParentPath>
class NamedHandle : public PlacedHandle<Context, ParentPath> {
 public:
  std::u16string Name() override { return FromUtf8(name_); }

 protected:
  NamedHandle(std::shared_ptr<Context> ctx, ObjectKind kind, std::string name)
      : PlacedHandle<Context, ParentPath>(std::move(ctx), kind), name_(std::move(name)) {}

  std::string name_;
};

}  // namespace moxtrel::directory
