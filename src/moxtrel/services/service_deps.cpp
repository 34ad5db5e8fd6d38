#include "moxtrel/services/service_deps.h"

#include "moxtrel/directory/provider.h"
#include "moxtrel/frame/trapped_failure.h"

namespace moxtrel {

std::shared_ptr<moxServiceDeps> moxServiceDeps::Create() {
  return std::shared_ptr<moxServiceDeps>(new moxServiceDeps);
}

void moxServiceDeps::BindFromPath(const std::u16string& path) {
  try {
    service_ = directory::Bind<directory::IADsService>(path);
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxServiceDeps.BindFromPath", e);
    service_ = nullptr;
  }
  // A list read under an earlier binding must not be written to this service.
  store_ = nullptr;
  read_complete_ = false;
  MarkStale();
}

int32_t moxServiceDeps::Count() {
  if (!service_) return 0;
  return KeyedCollection::Count();
}

bool moxServiceDeps::Exists(const Variant& Index) {
  if (!service_) return false;
  return KeyedCollection::Exists(Index);
}

std::u16string moxServiceDeps::Item(const Variant& Index) {
  if (!service_) return {};
  return KeyedCollection::Item(Index);
}

bool moxServiceDeps::Refresh() {
  Store& store = ResetStore();
  if (!service_) return false;
  read_complete_ = false;
  try {
    const Variant value = service_->Dependencies();
    read_value_ = value;
    if (value.IsArray()) {
      for (const Variant& element : value.AsArray().items) {
        std::u16string name = element.ToString();
        store.Add(name, name);
      }
    } else {
      // A value that is not an array is one name.
      std::u16string name = value.ToString();
      store.Add(name, name);
    }
    read_complete_ = true;
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxServiceDeps.Refresh", e);
    // The listing ends here and keeps what it read.
  }
  MarkCurrent();
  return true;
}

Variant moxServiceDeps::GetDependencyArray() const {
  VariantArray array;
  array.lower_bound = 0;
  array.items.reserve(static_cast<std::size_t>(store_->Count()));
  for (int32_t i = 0; i < store_->Count(); ++i) array.items.emplace_back(store_->At(i));
  return Variant(std::move(array));
}

bool moxServiceDeps::WriteBack() {
  bool ok = true;
  const int32_t count = store_->Count();
  const Variant value = count == 0   ? Variant(VariantArray{})
                        : count == 1 ? Variant(store_->At(0))
                                     : GetDependencyArray();
  try {
    service_->Dependencies(value);
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxServiceDeps.WriteBack", e);
    ok = false;
  }
  try {
    service_->SetInfo();
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxServiceDeps.WriteBack", e);
    ok = false;
  }
  // The list now holds what was written, and a later edit compares against that.
  if (ok) read_value_ = value;
  MarkStale();
  return ok;
}

bool moxServiceDeps::StillAsRead() {
  bool same = false;
  try {
    same = service_->Dependencies() == read_value_;
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxServiceDeps.StillAsRead", e);
    same = false;
  }
  if (!same) MarkStale();
  return same;
}

bool moxServiceDeps::Add(const std::u16string& sDependency) {
  if (!service_) return false;
  if (NeedsRefresh()) Refresh();
  // A shortened list written back would delete the names it never read.
  if (!read_complete_ || !store_) return false;
  if (store_->Exists(Variant(sDependency)) || !StillAsRead()) return false;
  try {
    store_->Add(sDependency, sDependency);
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxServiceDeps.Add", e);
    return false;
  }
  return WriteBack();
}

bool moxServiceDeps::Remove(const Variant& Index) {
  if (!service_) return false;
  if (!store_ || !read_complete_) return false;
  if (!store_->Exists(Index) || !StillAsRead()) return false;
  try {
    store_->Remove(Index);
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxServiceDeps.Remove", e);
    return false;
  }
  return WriteBack();
}

}  // namespace moxtrel
