// The enums of the object model. Member names carry blanks in the type library ("mox Local");
// here they are spelt as identifiers. Values pass to and from the directory unchanged and are
// never range-checked, so any 32-bit value may be held.
#pragma once

#include <cstdint>

namespace moxtrel {

enum class moxType : int32_t {
  moxLocal = 1,
  moxGlobal = 2,
};

enum class enmoxUserPrivilege : int32_t {
  moxAdminPrivilege = 2,
  moxUserPrivilege = 1,
  moxGuestPrivilege = 0,
};

enum class enmoxServiceType : int32_t {
  moxKernelDriver = 1,
  moxFileSystemDriver = 2,
  moxOwnProcess = 16,
  moxShareProcess = 32,
};

enum class enmoxServiceStartType : int32_t {
  moxSVCSTBoot = 0,
  moxSVCSTSystem = 1,
  moxSVCSTAuto = 2,
  moxSVCSTDemand = 3,
  moxSVCSTDisabled = 4,
};

enum class enmoxServiceErrorControl : int32_t {
  moxECIgnore = 0,
  moxECNormal = 1,
  moxECSevere = 2,
  moxECCritical = 3,
};

enum class enmoxServiceStatus : int32_t {
  moxSVCSStopped = 1,
  moxSVCSStartPending = 2,
  moxSVCSStopPending = 3,
  moxSVCSRunning = 4,
  moxSVCSContinuePending = 5,
  moxSVCSPausePending = 6,
  moxSVCSPaused = 7,
  moxSVCSError = 8,
};

}  // namespace moxtrel
