// _moxUser in slot order.
#include "moxtrel/accounts/class_bindings.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/frame/dispatch_table.h"

namespace moxtrel::typelib {

ClassBinding moxUserBinding() {
  return ClassTable<moxUser>(u"moxUser")
      .Creatable([] { return moxUser::Create(); })
      .Field(MOX_MEMBER(Groups), 0x40030006, u"moxGroups")
      .Property(MOX_MEMBER(AccountDisabled), 0x6803001B, Boolean())
      .Property(MOX_MEMBER(AccountExpirationDate), 0x6803001A, DateTime())
      .Property(MOX_MEMBER(AccountLocked), 0x68030019, Boolean())
      .Property(MOX_MEMBER(Description), 0x68030017, String())
      .Get(MOX_MEMBER(Domain), 0x68030016, String())
      .Get(MOX_MEMBER(Exists), 0x68030015, Boolean())
      .Property(MOX_MEMBER(FullName), 0x68030014, String())
      .Get(MOX_MEMBER(GUID), 0x68030013, String())
      .Property(MOX_MEMBER(HomeDirDrive), 0x68030012, String())
      .Property(MOX_MEMBER(HomeDirectory), 0x68030011, String())
      .Get(MOX_MEMBER(LastLogin), 0x68030010, DateTime())
      .Get(MOX_MEMBER(LastLogoff), 0x6803000F, DateTime())
      .Property(MOX_MEMBER(LoginScript), 0x6803000E, String())
      .Property(MOX_MEMBER(MaxStorage), 0x6803000D, Long())
      .Get(MOX_MEMBER(PasswordAge), 0x6803000C, DateTime())
      .Property(MOX_MEMBER(PasswordCantChange), 0x6803000B, Boolean())
      .Property(MOX_MEMBER(PasswordDoesntExpire), 0x6803000A, Boolean())
      .Property(MOX_MEMBER(PasswordExpirationDate), 0x68030009, DateTime())
      .Get(MOX_MEMBER(PasswordExpired), 0x68030008, DateTime())
      .Get(MOX_MEMBER(PasswordMinimumLength), 0x68030007, Long())
      .Property(MOX_MEMBER(PasswordRequired), 0x68030006, Boolean())
      .Property(MOX_MEMBER(Profile), 0x68030005, String())
      .Get(MOX_MEMBER(Server), 0x68030004, String())
      .Property(MOX_MEMBER(MustChangePasswordNextLogon), 0x68030003, Boolean())
      .Get(MOX_MEMBER(SID), 0x68030002, String())
      .Property(MOX_MEMBER(UserName), 0x68030001, String())
      .Get(MOX_MEMBER(UserType), 0x68030000, Enum(u"moxType"))
      .Method(MOX_MEMBER(SetPassword), 0x6003001C, Boolean(), {Param(u"sPassword", String())})
      .Method(MOX_MEMBER(AddToGroup), 0x6003001D, Boolean(),
              {Param(u"sGroup", String()), Optional(u"sServer", String(), Variant(u""))})
      .Method(MOX_MEMBER(RemoveFromGroup), 0x6003001E, Boolean(),
              {Param(u"sGroup", String()), Optional(u"sServer", String(), Variant(u""))})
      .Method(MOX_MEMBER(Find), 0x6003001F, Boolean(),
              {Param(u"sUserName", String()), Param(u"sParent", String()),
               Param(u"lUserType", Enum(u"moxType"))})
      .Build();
}

}  // namespace moxtrel::typelib
