// Test-only classes for the dispatch layer: a creatable Toy with every kind of slot and an
// event, and a ToyFixed that cannot be created by name.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>

#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/dispatch_table.h"
#include "moxtrel/frame/enums.h"
#include "moxtrel/frame/keyed_store.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::testing {

class Toy : public AutomationObject {
 public:
  static std::shared_ptr<Toy> Create() {
    auto toy = std::shared_ptr<Toy>(new Toy);
    toy->store_->Add(Variant(u"one"), u"first");
    toy->store_->Add(Variant(u"two"), u"second");
    return toy;
  }
  std::u16string_view TypeName() const noexcept override { return u"Toy"; }

  const std::u16string& Name() const { return name_; }
  void Name(const std::u16string& value) { name_ = value; }
  bool Flag() const { return flag; }
  void Flag(bool value) { flag = value; }
  moxType Kind() const { return moxType::moxGlobal; }
  std::shared_ptr<Toy> Child() const { return child_; }
  void Child(std::shared_ptr<Toy> child) { child_ = std::move(child); }
  Variant Item(const Variant& index) const { return store_->Item(index); }
  std::shared_ptr<Enumerator> NewEnum() const { return store_->NewEnum(); }
  bool Find(std::u16string& sName, int32_t lType) {
    ++find_calls;
    sName = Trim(sName);
    last_type = lType;
    return true;
  }
  std::u16string Join(const std::u16string& a, const std::u16string& b) { return a + u"+" + b; }
  // A defaulted second parameter: a one-parameter slot bound to it would drop an argument.
  std::u16string Pad(const std::u16string& a, const std::u16string& b = u"-") { return a + b; }
  void Fail(const std::u16string& what) {
    if (what.empty()) throw std::runtime_error("plain C++ failure");
    throw AutomationError(errc::kAccessDenied, what);
  }

  // A late-bound event with one by-reference string.
  void Raise(std::u16string& text) {
    auto copy = sinks;
    for (auto& [id, sink] : copy) {
      std::vector<Variant> args{Variant(text)};
      sink->OnEvent(7, u"Ping", args);
      text = args[0].ToString();
    }
  }

  bool flag = false;
  int find_calls = 0;
  int32_t last_type = 0;
  std::map<int, std::shared_ptr<EventSink>> sinks;

 private:
  Toy() = default;
  std::u16string name_;
  std::shared_ptr<Toy> child_;
  std::shared_ptr<KeyedStore<Variant>> store_ = KeyedStore<Variant>::Create();
};

class ToyFixed : public AutomationObject {
 public:
  std::u16string_view TypeName() const noexcept override { return u"ToyFixed"; }
  int32_t Count() const { return 3; }
};

inline void RegisterToyClasses() {
  static const bool registered = [] {
    using namespace typelib;
    typelib::RegisterExtraClass(
        ClassTable<Toy>(u"Toy")
            .Creatable([] { return Toy::Create(); })
            .Source(u"__Toy",
                    [](AutomationObject& object, std::shared_ptr<EventSink> sink) {
                      auto& toy = dynamic_cast<Toy&>(object);
                      static int next = 0;
                      const int id = ++next;
                      toy.sinks[id] = std::move(sink);
                      std::weak_ptr<Toy> weak =
                          std::static_pointer_cast<Toy>(toy.shared_from_this());
                      return std::function<void()>([weak, id] {
                        if (auto t = weak.lock()) t->sinks.erase(id);
                      });
                    })
            .Field(MOX_MEMBER(Child), 0x40030003, u"Toy")
            .Property(MOX_MEMBER(Flag), 0x68030002, Boolean())
            .Property(MOX_MEMBER(Name), 0x68030001, String(), u"sName")
            .Get(MOX_MEMBER(Kind), 0x68030000, Enum(u"moxType"))
            .Get(MOX_MEMBER(Item), kDispIdValue, AnyVariant(), {Param(u"Index", AnyVariant())})
            .Get(MOX_MEMBER(NewEnum), kDispIdNewEnum, Object(u"Enumerator"))
            .Hidden()
            .Method(MOX_MEMBER(Find), 0x60030004, Boolean(),
                    {Param(u"sName", String()), Param(u"lType", Long())})
            .Method(MOX_MEMBER(Join), 0x60030005, String(),
                    {Param(u"sA", String()), Optional(u"sB", String(), Variant(u"-"))})
            .Method(MOX_MEMBER(Fail), 0x60030006, Void(), {Param(u"sWhat", String())})
            .Build());
    typelib::RegisterExtraClass(
        ClassTable<ToyFixed>(u"ToyFixed").Get(MOX_MEMBER(Count), 0x68030000, Long()).Build());
    return true;
  }();
  (void)registered;
}

}  // namespace moxtrel::testing
