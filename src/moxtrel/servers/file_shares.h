// moxFileShares: the file shares of one server, keyed by share name, listed from the server's
// "LanmanServer" file service on first read; Add and Remove create and delete shares there.
// A server object hands it its name; one a client creates itself has no server to list.
//
//   auto shares = server->FileShares();
//   shares->Add(u"Public", u"C:\\Public", u"Everyone's files");
//   int32_t n = shares->Count();                  // lists the server again
//   shares->Remove(Variant(u"Public"));
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "moxtrel/frame/keyed_collection.h"
#include "moxtrel/servers/file_share.h"

namespace moxtrel {

class moxServer;

class moxFileShares final : public KeyedCollection<std::shared_ptr<moxFileShare>> {
 public:
  static std::shared_ptr<moxFileShares> Create();

  std::u16string_view TypeName() const noexcept override { return u"moxFileShares"; }

  // Creates a share on the server; False for a blank name or path, or any directory failure.
  bool Add(const std::u16string& sName, const std::u16string& sPath,
           const std::u16string& sDescription = u"", int32_t lMaxUsers = -1);
  // Deletes the share behind an entry; False when there is none or the directory refuses.
  bool Remove(const Variant& Index);
  // Lists the server's shares. Raises when the file service cannot be bound; a listing cut
  // short by a failure keeps what was read and counts as complete.
  bool Refresh() override;

 private:
  friend class moxServer;

  moxFileShares() : KeyedCollection(false, false) {}

  void SetServerName(const std::u16string& name);
  std::shared_ptr<directory::IADsFileService> BindFileService() const;

  std::u16string server_;
};

}  // namespace moxtrel
