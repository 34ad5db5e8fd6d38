"""One round trip per class family, all through the same late-bound wrapper."""
import moxtrel
from moxtrel import constants


def test_accounts():
    d = moxtrel.create("moxDomain")
    d.Name = "HARBOR"
    assert "Finance" in [g.Name for g in d.Groups]
    u = moxtrel.create("moxUser")
    assert u.Find("dalia", "HARBOR", constants.moxGlobal)
    assert u.AddToGroup("Finance") is True
    u.Groups.Refresh()
    assert "Finance" in [g.Name for g in u.Groups]
    assert u.RemoveFromGroup("Finance") is True


def test_servers_and_shares():
    s = moxtrel.create("moxServer")
    s.Name = "HB-FILES"
    assert s.Exists is True
    shares = s.FileShares
    count = shares.Count
    assert shares.Add("Scratch", "D:\\scratch", "Temporary files", 3) is True
    assert shares.Exists("Scratch") and shares.Count == count + 1
    share = moxtrel.create("moxFileShare")
    assert share.Find("Scratch", "HB-FILES")
    share.MaxUsers = 10
    assert share.MaxUsers == 10
    assert shares.Remove("Scratch") is True


def test_printing():
    srv = moxtrel.create("moxServer")
    srv.Name = "HB-PRINT"
    queue = srv.PrintQueues("ColorWide")
    assert queue.Name == "ColorWide"
    jobs = queue.PrintJobs
    assert jobs.Count == 1 and jobs.Remove(1) is True and jobs.Count == 0
    laser = moxtrel.create("moxPrintQueue")
    assert laser.Find("Laser3", "HB-PRINT")
    assert [j.User for j in laser.PrintJobs] == ["bjorn", "amara", "dalia"]


def test_services():
    svc = moxtrel.create("moxService")
    assert svc.Find("TideBackup", "HB-FILES")
    assert svc.Start() is True
    assert svc.Status == constants.moxSVCSRunning
    assert isinstance(svc.Status, constants.enmoxServiceStatus)
    deps = svc.Dependencies
    assert deps.Add("RpcSs") is True and "RpcSs" in [str(x) for x in deps]


def test_environment():
    env = moxtrel.app()
    assert env is moxtrel.app()
    assert isinstance(env.CurrentComputer, str) and env.CurrentComputer
    assert env.CurrentUserPrivilege in list(constants.enmoxUserPrivilege)
