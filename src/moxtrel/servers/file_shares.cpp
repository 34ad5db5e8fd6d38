#include "moxtrel/servers/file_shares.h"

#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"

namespace moxtrel {

std::shared_ptr<moxFileShares> moxFileShares::Create() {
  return std::shared_ptr<moxFileShares>(new moxFileShares);
}

void moxFileShares::SetServerName(const std::u16string& name) {
  server_ = Trim(name);
  MarkStale();
}

std::shared_ptr<directory::IADsFileService> moxFileShares::BindFileService() const {
  if (server_.empty()) {
    // Only a server object gives the collection a server; say so rather than bind a bad path.
    throw AutomationError(errc::kInvalidProcedureCall,
                          u"moxFileShares: no server is set, so there is no file service to use");
  }
  // Share paths carry the server only, never a domain part.
  return directory::Bind<directory::IADsFileService>(directory::FileServicePath(server_));
}

bool moxFileShares::Refresh() {
  auto service = BindFileService();  // a failure here reaches the caller, store untouched
  Store& store = ResetStore();
  try {
    auto shares = service->NewEnum();
    while (auto element = shares->Next()) {
      auto share = directory::As<directory::IADsFileShare>(element);
      auto member = moxFileShare::Create();
      member->BindFromPath(share->ADsPath());
      if (member->Exists()) store.Add(member, member->Name());
    }
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxFileShares.Refresh", e);
    // A listing cut short keeps the shares read so far and still counts as complete.
  }
  MarkCurrent();
  return true;
}

bool moxFileShares::Add(const std::u16string& sName, const std::u16string& sPath,
                        const std::u16string& sDescription, int32_t lMaxUsers) {
  const std::u16string name = Trim(sName);
  const std::u16string path = Trim(sPath);
  if (server_.empty() || name.empty() || path.empty()) return false;
  try {
    auto service = BindFileService();
    auto share = directory::As<directory::IADsFileShare>(service->Create(u"FileShare", name));
    share->Path(path);
    share->Description(Trim(sDescription));
    share->MaxUserCount(lMaxUsers);
    share->SetInfo();
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxFileShares.Add", e);
    return false;
  }
  MarkStale();
  return true;
}

bool moxFileShares::Remove(const Variant& Index) {
  try {
    if (NeedsRefresh()) Refresh();
    if (!Exists(Index)) return false;
    auto member = RequireStore().Item(Index);
    auto service = BindFileService();
    service->Delete(u"FileShare", member->Name());
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxFileShares.Remove", e);
    return false;
  }
  // The entry stays in the store; the next read lists the server again.
  MarkStale();
  return true;
}

}  // namespace moxtrel
