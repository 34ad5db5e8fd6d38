// Status codes carried by AutomationError, and when to use each: the one catalogue for the
// library and the script host. Pick the first group whose rule fits.
//
// kInvalidProcedureCall or kInvalidArg? A member a script can call (an object model member
// reached through dispatch) that cannot act on this value or in this object's state raises
// kInvalidProcedureCall, which a script shows as "Invalid procedure call or argument". An
// argument no script can pass (a null object or handler from C++, bad builder, seed or fault
// input, a provider request the namespace does not allow) raises kInvalidArg.
#pragma once

#include <cstdint>

namespace moxtrel::errc {

// Value conversions and argument checks at the automation boundary.
inline constexpr uint32_t kInvalidProcedureCall = 0x800A0005;  // bad argument value, missing key
inline constexpr uint32_t kOverflow = 0x800A0006;              // number outside the target type
inline constexpr uint32_t kSubscriptOutOfRange = 0x800A0009;   // position outside 1..Count
inline constexpr uint32_t kTypeMismatch = 0x800A000D;    // value of a type that does not convert
inline constexpr uint32_t kDuplicateKey = 0x800A01C9;    // key already in a keyed store
inline constexpr uint32_t kObjectRequired = 0x800A01A8;  // an object was expected
inline constexpr uint32_t kNotCreatable = 0x800A01AD;    // class cannot be created by name

// The script language (raised by the script host, never by the library).
inline constexpr uint32_t kUserRaised = 0x800A0000;         // Err.Raise with a code of 0
inline constexpr uint32_t kDivisionByZero = 0x800A000B;     // "/", "\" or Mod by zero
inline constexpr uint32_t kSubNotDefined = 0x800A0023;      // a call of no Sub or Function
inline constexpr uint32_t kWrongArgCount = 0x800A01C2;      // a script procedure or builtin
inline constexpr uint32_t kNotAnObjectMember = 0x800A01B6;  // Object doesn't support this member
inline constexpr uint32_t kVariableUndefined =
    0x800A01F4;  // a name that is no variable or constant

// Dispatch layer.
inline constexpr uint32_t kMemberNotFound = 0x80020003;    // no such member, or wrong kind of call
inline constexpr uint32_t kUnknownName = 0x80020006;       // GetIDsOfNames found no member
inline constexpr uint32_t kBadParamCount = 0x8002000E;     // wrong number of arguments
inline constexpr uint32_t kParamNotOptional = 0x8002000F;  // a required argument was omitted
inline constexpr uint32_t kDispTypeMismatch = 0x80020005;  // an argument does not convert
inline constexpr uint32_t kClassNotRegistered = 0x80040154;  // CreateObject of an unknown class

// Generic failures.
// The operation failed for a reason no other code names: a provider call that failed (an
// injected fault), a dispatch table that does not check out. Prefer a specific code.
inline constexpr uint32_t kFail = 0x80004005;
inline constexpr uint32_t kNoInterface = 0x80004002;     // provider object lacks the interface
inline constexpr uint32_t kNotImplemented = 0x80004001;  // a member the library does not provide
inline constexpr uint32_t kInvalidArg = 0x80070057;      // see the rule at the top of this file
inline constexpr uint32_t kAccessDenied = 0x80070005;    // the caller may not do this (privilege)

// Directory provider.
inline constexpr uint32_t kBadPathname = 0x80005000;       // a path that does not parse
inline constexpr uint32_t kUnknownObject = 0x80005004;     // class word not known to the namespace
inline constexpr uint32_t kPropertyNotFound = 0x8000500D;  // attribute not held by the object
inline constexpr uint32_t kObjectExists = 0x8000500E;      // name already used in the container
inline constexpr uint32_t kNoSuchObject = 0x80070002;      // nothing at the path
inline constexpr uint32_t kInvalidName = 0x8007007B;       // name with forbidden characters
inline constexpr uint32_t kNetworkUnreachable = 0x80070035;   // injected: directory not reachable
inline constexpr uint32_t kMemberInGroup = 0x80070562;        // already a member
inline constexpr uint32_t kMemberNotInGroup = 0x80070561;     // not a member
inline constexpr uint32_t kInvalidMember = 0x8007056C;        // member of a kind the group refuses
inline constexpr uint32_t kPasswordRestriction = 0x800708C5;  // password refused by policy
inline constexpr uint32_t kDependentServicesRunning = 0x8007041B;  // stop them first
inline constexpr uint32_t kServiceControlRefused = 0x8007041C;     // state does not allow it
inline constexpr uint32_t kServiceAlreadyRunning = 0x80070420;     // Start of a running service
inline constexpr uint32_t kServiceNotActive = 0x80070426;  // Stop/Pause/Continue of a stopped one
// An attribute or operation the object's class has but this object or provider refuses to
// write (a read-only attribute); kNotImplemented is for members the library lacks.
inline constexpr uint32_t kNotSupported = 0x80070032;

}  // namespace moxtrel::errc
