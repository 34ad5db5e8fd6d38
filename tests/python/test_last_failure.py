"""Why a member returned False: moxtrel.last_failure() and DEBUG records of the moxtrel logger."""
import logging
import threading

import moxtrel
from moxtrel import constants


def test_last_failure_after_add_find_and_remove():
    moxtrel.clear_last_failure()
    assert moxtrel.last_failure() is None
    d = moxtrel.create("moxDomain")
    d.Name = "HARBOR"

    assert d.Users.Add("bad:name") is False
    f = moxtrel.last_failure()
    assert isinstance(f, moxtrel.Failure)
    assert f.member == "moxUsers.Add"
    assert f.number != 0 and f.description
    assert "bad:name" in f.call and f.source != "moxtrel"
    assert "moxUsers.Add" in repr(f)

    u = moxtrel.create("moxUser")
    assert u.Find("nobody", "HARBOR", constants.moxGlobal) is False
    f = moxtrel.last_failure()
    assert f.member == "moxUser.Find" and "nobody" in f.call

    assert d.Users.Remove("nobody") is False
    f = moxtrel.last_failure()
    assert (f.member, f.source, f.call) == ("moxUsers.Remove", "moxtrel", "")

    # Each thread has its own.
    seen = []
    worker = threading.Thread(target=lambda: seen.append(moxtrel.last_failure()))
    worker.start()
    worker.join()
    assert seen == [None]

    moxtrel.clear_last_failure()
    assert moxtrel.last_failure() is None


def test_trapped_failures_are_logged_at_debug(caplog):
    d = moxtrel.create("moxDomain")
    d.Name = "HARBOR"
    with caplog.at_level(logging.INFO, logger="moxtrel"):
        assert d.Users.Remove("nobody") is False
    assert not caplog.records  # below DEBUG nothing is formatted
    with caplog.at_level(logging.DEBUG, logger="moxtrel"):
        assert d.Users.Add("bad:name") is False
    records = [r for r in caplog.records if r.name == "moxtrel"]
    assert len(records) == 1
    assert records[0].levelno == logging.DEBUG
    assert records[0].getMessage().startswith("moxUsers.Add trapped 0x")
    assert "bad:name" in records[0].getMessage()
    assert records[0].moxtrel_failure.member == "moxUsers.Add"
