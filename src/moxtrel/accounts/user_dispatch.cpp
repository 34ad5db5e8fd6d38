// _moxUser in slot order.
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/automation/class_bindings.h"
#include "moxtrel/frame/dispatch_table.h"

namespace moxtrel::typelib {

ClassBinding moxUserBinding() {
  return ClassTable<moxUser>(u"moxUser")
      .Creatable([] { return moxUser::Create(); })
      .Field(u"Groups", 0x40030006, u"moxGroups", MOX_GET(Groups), MOX_PUT(Groups))
      .Property(u"AccountDisabled", 0x6803001B, Boolean(), MOX_GET(AccountDisabled),
                MOX_PUT(AccountDisabled))
      .Property(u"AccountExpirationDate", 0x6803001A, DateTime(), MOX_GET(AccountExpirationDate),
                MOX_PUT(AccountExpirationDate))
      .Property(u"AccountLocked", 0x68030019, Boolean(), MOX_GET(AccountLocked),
                MOX_PUT(AccountLocked))
      .Property(u"Description", 0x68030017, String(), MOX_GET(Description), MOX_PUT(Description))
      .Get(u"Domain", 0x68030016, String(), MOX_GET(Domain))
      .Get(u"Exists", 0x68030015, Boolean(), MOX_GET(Exists))
      .Property(u"FullName", 0x68030014, String(), MOX_GET(FullName), MOX_PUT(FullName))
      .Get(u"GUID", 0x68030013, String(), MOX_GET(GUID))
      .Property(u"HomeDirDrive", 0x68030012, String(), MOX_GET(HomeDirDrive), MOX_PUT(HomeDirDrive))
      .Property(u"HomeDirectory", 0x68030011, String(), MOX_GET(HomeDirectory),
                MOX_PUT(HomeDirectory))
      .Get(u"LastLogin", 0x68030010, DateTime(), MOX_GET(LastLogin))
      .Get(u"LastLogoff", 0x6803000F, DateTime(), MOX_GET(LastLogoff))
      .Property(u"LoginScript", 0x6803000E, String(), MOX_GET(LoginScript), MOX_PUT(LoginScript))
      .Property(u"MaxStorage", 0x6803000D, Long(), MOX_GET(MaxStorage), MOX_PUT(MaxStorage))
      .Get(u"PasswordAge", 0x6803000C, DateTime(), MOX_GET(PasswordAge))
      .Property(u"PasswordCantChange", 0x6803000B, Boolean(), MOX_GET(PasswordCantChange),
                MOX_PUT(PasswordCantChange))
      .Property(u"PasswordDoesntExpire", 0x6803000A, Boolean(), MOX_GET(PasswordDoesntExpire),
                MOX_PUT(PasswordDoesntExpire))
      .Property(u"PasswordExpirationDate", 0x68030009, DateTime(), MOX_GET(PasswordExpirationDate),
                MOX_PUT(PasswordExpirationDate))
      .Get(u"PasswordExpired", 0x68030008, DateTime(), MOX_GET(PasswordExpired))
      .Get(u"PasswordMinimumLength", 0x68030007, Long(), MOX_GET(PasswordMinimumLength))
      .Property(u"PasswordRequired", 0x68030006, Boolean(), MOX_GET(PasswordRequired),
                MOX_PUT(PasswordRequired))
      .Property(u"Profile", 0x68030005, String(), MOX_GET(Profile), MOX_PUT(Profile))
      .Get(u"Server", 0x68030004, String(), MOX_GET(Server))
      .Property(u"MustChangePasswordNextLogon", 0x68030003, Boolean(),
                MOX_GET(MustChangePasswordNextLogon), MOX_PUT(MustChangePasswordNextLogon))
      .Get(u"SID", 0x68030002, String(), MOX_GET(SID))
      .Property(u"UserName", 0x68030001, String(), MOX_GET(UserName), MOX_PUT(UserName))
      .Get(u"UserType", 0x68030000, Enum(u"moxType"), MOX_GET(UserType))
      .Method(u"SetPassword", 0x6003001C, Boolean(), {Param(u"sPassword", String())},
              MOX_CALL(SetPassword, 1))
      .Method(u"AddToGroup", 0x6003001D, Boolean(),
              {Param(u"sGroup", String()), Optional(u"sServer", String(), Variant(u""))},
              MOX_CALL(AddToGroup, 2))
      .Method(u"RemoveFromGroup", 0x6003001E, Boolean(),
              {Param(u"sGroup", String()), Optional(u"sServer", String(), Variant(u""))},
              MOX_CALL(RemoveFromGroup, 2))
      .Method(u"Find", 0x6003001F, Boolean(),
              {Param(u"sUserName", String()), Param(u"sParent", String()),
               Param(u"lUserType", Enum(u"moxType"))},
              MOX_CALL(Find, 3))
      .Build();
}

}  // namespace moxtrel::typelib
