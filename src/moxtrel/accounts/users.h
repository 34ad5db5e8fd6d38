// moxUsers: the user accounts of a domain or a server, or the user members of a group, as
// moxUser objects keyed by account name. Owners (moxDomain, moxServer, moxGroup) hand it its
// scope; it lists the directory on the first read after each change of scope, Add or Remove.
//
//   auto users = domain->Users();
//   for (int32_t i = 1; i <= users->Count(); ++i) show(users->Item(Variant(i))->UserName());
//   std::u16string name = u" bob ";
//   users->Add(name, u"Bob Builder");   // name now holds u"bob"
//   users->Remove(Variant(u"bob"));
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "moxtrel/accounts/account_collection.h"
#include "moxtrel/frame/enums.h"

namespace moxtrel {

class moxUser;
class moxGroup;
class moxDomain;
class moxServer;

class moxUsers final : public AccountCollection<moxUsers, moxUser> {
 public:
  static std::shared_ptr<moxUsers> Create();
  std::u16string_view TypeName() const noexcept override { return u"moxUsers"; }

  // sUserName is written back trimmed. Not possible in a group's listing.
  bool Add(std::u16string& sUserName, const std::u16string& sFullName = u"",
           const std::u16string& sDescription = u"");
  // Deletes the account, or in a group's listing takes it out of the group.
  bool Remove(const Variant& Index);
  // Provider failures reach the caller; an incomplete scope gives False and an empty store.
  bool Refresh() override;

 private:
  friend class moxGroup;
  friend class moxDomain;
  friend class moxServer;

  moxUsers();

  void ListContainer(Store& store, const std::u16string& path, moxType type);
  void ListGroup(Store& store, const std::u16string& path, bool local);
};

}  // namespace moxtrel
