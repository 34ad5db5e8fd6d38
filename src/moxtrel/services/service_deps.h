// moxServiceDeps: the names of the services one service depends on, read from and written
// back to that service's Dependencies value. A moxService hands it the service's path.
//
//   auto deps = service->Dependencies();
//   for (int32_t i = 1; i <= deps->Count(); ++i) use(deps->Item(Variant(i)));
//   deps->Add(u"RpcSs");                         // writes the whole list back
//   deps->Remove(Variant(u"LanmanWorkstation"));
//
// Add and Remove refuse while the list holds fewer names than the value it was read from (a
// repeated name, or a failed read), so that a write-back never drops names it did not see.
// They also refuse, writing nothing, when the service's value changed since it was read (by
// another list, say), so one list's stale copy never erases another's change.
#pragma once

#include <memory>
#include <string>

#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/keyed_collection.h"

namespace moxtrel {

class moxService;

class moxServiceDeps final : public KeyedCollection<std::u16string> {
 public:
  static std::shared_ptr<moxServiceDeps> Create();

  std::u16string_view TypeName() const noexcept override { return u"moxServiceDeps"; }

  // Without a service: 0, False and "" without reading anything.
  int32_t Count();
  bool Exists(const Variant& Index);
  std::u16string Item(const Variant& Index);
  using KeyedCollection::NewEnum;

  // Adds the name exactly as given; False for a name already listed (in any letter case).
  bool Add(const std::u16string& sDependency);
  // Works on the list as last read; False when nothing has been read yet.
  bool Remove(const Variant& Index);
  // Lists the service's Dependencies value; a repeated name or a failed read ends the list
  // early. False only without a service.
  bool Refresh() override;

 private:
  friend class moxService;

  moxServiceDeps() : KeyedCollection(true, false) {}

  // Binds the service at `path`; a failed bind leaves the list without a service.
  void BindFromPath(const std::u16string& path);
  // The store as a zero-based array of names, for two names or more.
  Variant GetDependencyArray() const;
  // Puts the store into the service's Dependencies value and commits; true when both worked.
  bool WriteBack();
  // True when the service's value still equals the one the list was read from; a changed or
  // unreadable value marks the list stale.
  bool StillAsRead();

  std::shared_ptr<directory::IADsService> service_;
  // True when the last refresh listed the whole value.
  bool read_complete_ = false;
  // The value the list was last read from.
  Variant read_value_;
};

}  // namespace moxtrel
