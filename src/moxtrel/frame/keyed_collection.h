// KeyedCollection: what every collection class shares. A collection caches one directory
// listing in a KeyedStore and rebuilds it through its own Refresh when the needs-refresh flag
// is set (after a friend setter, Add or Remove). Count, Exists, Item and NewEnum refresh if
// needed, ignore Refresh's Boolean result, and let an error Refresh raises reach the caller.
//
//   class moxUsers : public KeyedCollection<std::shared_ptr<moxUser>> {
//    public:
//     bool Refresh() override;   // lists the directory into a new store
//   };
#pragma once

#include <memory>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/keyed_store.h"
#include "moxtrel/frame/object.h"

namespace moxtrel {

template <class T>
class KeyedCollection : public AutomationObject {
 public:
  using Store = KeyedStore<T>;

  int32_t Count() {
    RefreshIfNeeded();
    return RequireStore().Count();
  }

  // Only the lookup is trapped: a failing refresh still reaches the caller.
  bool Exists(const Variant& index) {
    RefreshIfNeeded();
    return store_ && store_->Exists(index);
  }

  T Item(const Variant& index) {
    RefreshIfNeeded();
    return RequireStore().Item(index);
  }

  std::shared_ptr<Enumerator> NewEnum() {
    RefreshIfNeeded();
    return RequireStore().NewEnum();
  }

  virtual bool Refresh() = 0;

  // The state a test or a subclass may look at.
  bool NeedsRefresh() const noexcept { return needs_refresh_; }

 protected:
  explicit KeyedCollection(bool needs_refresh, bool create_store)
      : store_(create_store ? Store::Create() : nullptr), needs_refresh_(needs_refresh) {}

  void RefreshIfNeeded() {
    if (needs_refresh_) Refresh();
  }
  // Starts a new listing; the old store stays valid for enumerators and clients holding it.
  Store& ResetStore() {
    store_ = Store::Create();
    return *store_;
  }
  Store& RequireStore() const {
    if (!store_) {
      throw AutomationError(errc::kObjectRequired,
                            std::u16string(TypeName()) + u": the collection has not been listed");
    }
    return *store_;
  }
  bool HasStore() const noexcept { return static_cast<bool>(store_); }
  void MarkStale() noexcept { needs_refresh_ = true; }
  void MarkCurrent() noexcept { needs_refresh_ = false; }

  std::shared_ptr<Store> store_;
  bool needs_refresh_;
};

}  // namespace moxtrel
