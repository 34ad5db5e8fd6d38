"""Services: run states, configuration and dependencies; enums from moxtrel.constants."""
import moxtrel
from moxtrel.constants import enmoxServiceStartType, moxSVCSTAuto

svc = moxtrel.create("moxService")
print("Find TideBackup on HB-FILES:", svc.Find("TideBackup", "HB-FILES"))
print(f"{svc.Name} ({svc.DisplayName}), start type {svc.StartType.name}, status {svc.Status.name}")
for step in ("Start", "Pause", "Continue", "StopSvc"):
    print(f"{step}: {getattr(svc, step)()} -> {svc.Status.name}")

svc.StartType = moxSVCSTAuto
print("Start type now", enmoxServiceStartType(svc.StartType).name)

deps = svc.Dependencies
print("Depends on:", ", ".join(str(x) for x in deps))
print("Add RpcSs:", deps.Add("RpcSs"))
print("Depends on:", ", ".join(str(x) for x in deps))

all_services = moxtrel.create("moxServices")
all_services.Server = "HB-PRINT"
print(all_services.Count, "services on", all_services.Server)
