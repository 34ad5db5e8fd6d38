// moxGroups: the groups of a domain or a server, the group members of a group, or the groups
// one user belongs to, as moxGroup objects keyed by name. Owners hand it its scope; it lists
// the directory on the first read after each change of scope, Add or Remove. Listing never
// raises: a listing that fails shows as a short or empty collection.
//
//   auto groups = user->Groups();            // the groups alice belongs to
//   if (groups->Exists(Variant(u"Staff"))) groups->Remove(Variant(u"Staff"));  // leaves it
//   std::u16string name = u"Auditors";
//   domain->Groups()->Add(name, u"Read-only reviewers");
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "moxtrel/accounts/account_collection.h"

namespace moxtrel {

class moxGroup;
class moxUser;
class moxDomain;
class moxServer;

class moxGroups final : public AccountCollection<moxGroups, moxGroup> {
 public:
  static std::shared_ptr<moxGroups> Create();
  std::u16string_view TypeName() const noexcept override { return u"moxGroups"; }

  // sName is written back trimmed. Only in a whole-domain or whole-server listing.
  bool Add(std::u16string& sName, const std::u16string& sDescription = u"");
  // Deletes the group, or ends the membership in a user's or a group's listing.
  bool Remove(const Variant& Index);
  // Never raises: False when the listing failed, keeping the members read so far.
  bool Refresh() override;

 private:
  friend class moxUser;
  friend class moxGroup;
  friend class moxDomain;
  friend class moxServer;

  moxGroups();

  // The user whose memberships are listed; when set, it decides the listing alone.
  void SetUserPath(const std::u16string& value);

  std::u16string user_path_;
};

}  // namespace moxtrel
