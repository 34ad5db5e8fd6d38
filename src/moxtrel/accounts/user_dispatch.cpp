// _moxUser in slot order.
#include "moxtrel/accounts/class_bindings.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/frame/dispatch_table.h"

namespace moxtrel::typelib {

ClassBinding moxUserBinding() {
  return ClassTable<moxUser>(u"moxUser")
      .Summary(
          u"A user account of a domain or a server; while unbound its account properties read "
          u"empty and writes to them are ignored.")
      .Creatable([] { return moxUser::Create(); })
      .Field(MOX_MEMBER(Groups), 0x40030006, u"moxGroups")
      .Describe(
          u"The groups the account belongs to, listed afresh after each bind and membership "
          u"change.")
      .Property(MOX_MEMBER(AccountDisabled), 0x6803001B, Boolean())
      .Describe(u"True when the account is disabled; setting it enables or disables the account.")
      .Property(MOX_MEMBER(AccountExpirationDate), 0x6803001A, DateTime())
      .Describe(
          u"The date the account expires; reads 0 when the directory cannot give it, and the date "
          u"1.0 is written as 1 January 1970.")
      .Property(MOX_MEMBER(AccountLocked), 0x68030019, Boolean())
      .Describe(
          u"True when the account is locked out; setting it to False unlocks the account, and True "
          u"is ignored.")
      .Property(MOX_MEMBER(Description), 0x68030017, String())
      .Describe(u"The account's description, written trimmed of blanks.")
      .Get(MOX_MEMBER(Domain), 0x68030016, String())
      .Describe(u"The domain of a global account, as its parent path without \"WinNT://\".")
      .Get(MOX_MEMBER(Exists), 0x68030015, Boolean())
      .Describe(u"True while the object is bound to an account of the directory.")
      .Property(MOX_MEMBER(FullName), 0x68030014, String())
      .Describe(u"The account's full name, written trimmed of blanks.")
      .Get(MOX_MEMBER(GUID), 0x68030013, String())
      .Describe(u"The account's unique identifier; empty while unbound.")
      .Property(MOX_MEMBER(HomeDirDrive), 0x68030012, String())
      .Describe(
          u"The drive letter the home directory is mapped to (\"H:\"), written trimmed of blanks.")
      .Property(MOX_MEMBER(HomeDirectory), 0x68030011, String())
      .Describe(u"The path of the account's home directory, written trimmed of blanks.")
      .Get(MOX_MEMBER(LastLogin), 0x68030010, DateTime())
      .Describe(u"When the account last logged on.")
      .Get(MOX_MEMBER(LastLogoff), 0x6803000F, DateTime())
      .Describe(u"When the account last logged off.")
      .Property(MOX_MEMBER(LoginScript), 0x6803000E, String())
      .Describe(
          u"The path of the script that runs when the account logs on, written trimmed of blanks.")
      .Property(MOX_MEMBER(MaxStorage), 0x6803000D, Long())
      .Describe(u"The most disk space the account may use.")
      .Get(MOX_MEMBER(PasswordAge), 0x6803000C, DateTime())
      .Describe(
          u"How long the current password has been in use, as a count of days held in a Date.")
      .Property(MOX_MEMBER(PasswordCantChange), 0x6803000B, Boolean())
      .Describe(
          u"True when the account may not change its own password; setting it sets or clears that "
          u"flag.")
      .Property(MOX_MEMBER(PasswordDoesntExpire), 0x6803000A, Boolean())
      .Describe(
          u"True when the account's password never expires; setting it sets or clears that flag.")
      .Property(MOX_MEMBER(PasswordExpirationDate), 0x68030009, DateTime())
      .Describe(u"The date the account's password expires.")
      .Get(MOX_MEMBER(PasswordExpired), 0x68030008, DateTime())
      .Describe(
          u"1.0 when the password has expired and must be changed at the next logon, else 0.0.")
      .Get(MOX_MEMBER(PasswordMinimumLength), 0x68030007, Long())
      .Describe(u"The fewest characters a password of the account may have.")
      .Property(MOX_MEMBER(PasswordRequired), 0x68030006, Boolean())
      .Describe(u"True when the account must have a password.")
      .Property(MOX_MEMBER(Profile), 0x68030005, String())
      .Describe(u"The path of the account's profile, written trimmed of blanks.")
      .Get(MOX_MEMBER(Server), 0x68030004, String())
      .Describe(u"The server of a local account, as its parent path without \"WinNT://\".")
      .Property(MOX_MEMBER(MustChangePasswordNextLogon), 0x68030003, Boolean())
      .Describe(
          u"True when the account must change its password at the next logon; setting it sets or "
          u"clears that demand.")
      .Get(MOX_MEMBER(SID), 0x68030002, String())
      .Describe(u"The account's security identifier as hexadecimal text, two digits per byte.")
      .Property(MOX_MEMBER(UserName), 0x68030001, String())
      .Describe(u"The account's logon name; setting it on a bound user renames the account.")
      .Get(MOX_MEMBER(UserType), 0x68030000, Enum(u"moxType"))
      .Describe(
          u"Whether the account is local to a server or global to a domain; 0 before the first "
          u"bind.")
      .Method(MOX_MEMBER(SetPassword), 0x6003001C, Boolean(), {Param(u"sPassword", String())})
      .Describe(
          u"Sets the account's password, trimmed of blanks; True when the directory accepted it.")
      .Method(MOX_MEMBER(AddToGroup), 0x6003001D, Boolean(),
              {Param(u"sGroup", String()), Optional(u"sServer", String(), Variant(u""))})
      .Describe(
          u"Adds the account to a group of its own domain or server, or of the server sServer for "
          u"a global account; True when added.")
      .Method(MOX_MEMBER(RemoveFromGroup), 0x6003001E, Boolean(),
              {Param(u"sGroup", String()), Optional(u"sServer", String(), Variant(u""))})
      .Describe(
          u"Takes the account out of a group of its own domain or server, or of the server sServer "
          u"for a global account; True when removed.")
      .Method(MOX_MEMBER(Find), 0x6003001F, Boolean(),
              {Param(u"sUserName", String()), Param(u"sParent", String()),
               Param(u"lUserType", Enum(u"moxType"))})
      .Describe(
          u"Binds the object to the account sUserName of the domain or server sParent, with the "
          u"scope lUserType; True when found.")
      .Build();
}

}  // namespace moxtrel::typelib
