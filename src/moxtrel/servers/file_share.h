// moxFileShare: a view of one shared folder of a server's "LanmanServer" file service. Every
// read and write of a bound share goes straight to the directory; an unbound one makes no
// directory call.
//
//   auto share = moxFileShare::Create();
//   if (share->Find(u"Public", u"PC1")) {
//     share->Description(u"Everyone's files");   // written and committed at once
//     int32_t limit = share->MaxUsers();
//   }
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/object.h"

namespace moxtrel {

class moxFileShares;

class moxFileShare final : public AutomationObject {
 public:
  static std::shared_ptr<moxFileShare> Create();

  std::u16string_view TypeName() const noexcept override { return u"moxFileShare"; }

  bool Exists() const noexcept { return bound_; }
  std::u16string Name();
  std::u16string Description();
  void Description(const std::u16string& sDescription);
  int32_t CurrentUsers();
  std::u16string GUID();
  int32_t MaxUsers();
  void MaxUsers(int32_t lMaxUsers);
  std::u16string Path();
  std::u16string Server();

  // Binds the share sName of the server sServer; False when either is blank or not found.
  bool Find(const std::u16string& sName, const std::u16string& sServer);

 private:
  friend class moxFileShares;

  moxFileShare() = default;

  // Binds the share at a full provider path; leaves the stored name and server alone.
  void BindFromPath(const std::u16string& path);
  void Unbind() noexcept;

  std::shared_ptr<directory::IADsFileShare> share_;
  bool bound_ = false;
  std::u16string server_;
  std::u16string name_;
};

}  // namespace moxtrel
