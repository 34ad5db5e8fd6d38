// moxGroup: a view of one group, global (of a domain) or local (of a server), with its user
// members (Users) and group members (Groups).
//
//   auto admins = moxGroup::Create();
//   if (admins->Find(u"Administrators", u"PC1")) {
//     for (int32_t i = 1; i <= admins->Users()->Count(); ++i)
//       show(admins->Users()->Item(Variant(i))->UserName());
//   }
//   auto staff = moxGroup::Create();
//   std::u16string local = u"Administrators", server = u"PC1";
//   if (staff->Find(u"Staff", u"CORP")) staff->AddToLocalGroup(local, server);
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/enums.h"
#include "moxtrel/frame/object.h"

namespace moxtrel {

class moxUsers;
class moxGroups;

class moxGroup final : public AutomationObject {
 public:
  static std::shared_ptr<moxGroup> Create();
  std::u16string_view TypeName() const noexcept override { return u"moxGroup"; }

  // The group's user members and group members; no object while unbound.
  std::shared_ptr<moxUsers> Users();
  void Users(std::shared_ptr<moxUsers> value);
  std::shared_ptr<moxGroups> Groups();
  void Groups(std::shared_ptr<moxGroups> value);

  std::u16string Description();
  void Description(const std::u16string& sDescription);
  std::u16string Domain();
  bool Exists();
  moxType GroupType();
  std::u16string Name();
  // Renames a bound group in the directory; failures are silent.
  void Name(const std::u16string& sName);
  std::u16string Server();

  // Puts this global group into a server's local group; both names are written back trimmed.
  bool AddToLocalGroup(std::u16string& sGroup, std::u16string& sServer);
  bool RemoveFromLocalGroup(std::u16string& sGroup, std::u16string& sServer);
  bool Find(const std::u16string& sName, const std::u16string& sParent);

 private:
  friend class moxGroups;

  moxGroup() = default;

  std::u16string ADsPath();
  bool BindFromProvider(const std::shared_ptr<directory::IADsGroup>& group);
  bool Rebind();
  void Unbind();
  std::u16string ContainerName() const;
  std::shared_ptr<moxGroups> NewGroupsCollection() const;
  bool ChangeLocalMembership(std::u16string& sGroup, std::u16string& sServer, bool add);

  std::shared_ptr<moxUsers> users_;
  std::shared_ptr<moxGroups> groups_;
  moxType group_type_{};  // not a scope until bound
  std::u16string name_;
  std::u16string server_name_;
  std::u16string domain_name_;
  // Held exactly while the object is bound.
  std::shared_ptr<directory::IADsGroup> group_;
};

}  // namespace moxtrel
