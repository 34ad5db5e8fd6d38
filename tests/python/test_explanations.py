"""What a failure or an object says about itself: near names, signatures, help and repr."""
import contextlib
import io
import os
import pydoc
import random
import re
import subprocess

import pytest

import moxtrel
from moxtrel import constants

CLASS_NOT_REGISTERED = 0x80040154
BAD_PARAM_COUNT = 0x8002000E


def python_suggestion(action):
    """The name Python offers for the slip `action` makes, or None."""
    try:
        action()
    except moxtrel.Error as e:
        found = re.search(r"did you mean '([^']*)'", e.description)
        return found.group(1) if found else None
    raise AssertionError("the slip was accepted")


def test_create_suggests_the_near_class():
    with pytest.raises(moxtrel.Error) as failure:
        moxtrel.create("moxUsr")
    assert failure.value.code == CLASS_NOT_REGISTERED and failure.value.source == "create"
    assert failure.value.description.endswith("; did you mean 'moxUser'?")
    assert python_suggestion(lambda: moxtrel.create("Moxtrel.moxGrup")) == "Moxtrel.moxGroup"
    assert python_suggestion(lambda: moxtrel.create("moxtrel.MOXDOMIAN")) == "moxtrel.moxDomain"
    assert python_suggestion(lambda: moxtrel.create("Zzzzzzzz")) is None
    assert python_suggestion(lambda: moxtrel.create("")) is None
    assert python_suggestion(lambda: moxtrel.create("moxUs\ud800r")) == "moxUser"
    assert python_suggestion(lambda: moxtrel.create("Moxtrel." + "x" * 100000)) is None
    assert python_suggestion(lambda: getattr(moxtrel.create("moxUser"), "Q" * 100000)) is None
    # A class that exists but cannot be created says so, with no guess.
    assert python_suggestion(lambda: moxtrel.create("moxPrintJob")) is None


def test_wrong_argument_counts_show_the_signature():
    u = moxtrel.create("moxUser")
    for call in (lambda: u.Find(), lambda: u.Find("a", "b", 1, "too many")):
        with pytest.raises(moxtrel.Error) as failure:
            call()
        assert failure.value.code == BAD_PARAM_COUNT
        assert failure.value.description.endswith(
            "; the signature is Find(sUserName: String, sParent: String, lUserType: moxType)"
            " -> Boolean"
        ), failure.value.description
    d = moxtrel.create("moxDomain")
    d.Name = "HARBOR"
    with pytest.raises(moxtrel.Error) as failure:
        d.Users()  # the default member without its index
    assert failure.value.code == BAD_PARAM_COUNT
    assert "the signature is Item(Index: Variant) -> moxUser" in failure.value.description
    # Other failures keep their own text.
    with pytest.raises(moxtrel.Error) as failure:
        d.Users.Item("nobody-here")
    assert "signature" not in failure.value.description


def test_help_shows_the_type_library_descriptions():
    u = moxtrel.create("moxUser")
    text = pydoc.render_doc(u)
    assert "moxUser: A user account of a domain or a server" in text
    assert "AccountDisabled: Boolean  (read/write)" in text
    assert "True when the account is disabled" in text
    shown = io.StringIO()
    with contextlib.redirect_stdout(shown):
        help(u)
    assert "True when the account is disabled" in shown.getvalue()
    # Descriptions are wrapped, none wider than the page (a signature is kept whole).
    doc = type(u).__doc__
    header = doc.split("\n\n")[0].splitlines()
    assert doc.startswith("moxUser: A user account") and len(header) > 1
    described = header + [line for line in doc.splitlines() if line.startswith(" " * 6)]
    assert len(described) > 40 and all(len(line) <= 80 for line in described)
    assert u.Find.__doc__.startswith("Find(sUserName: String")
    assert len(u.Find.__doc__.split("\n\n")) == 2  # the signature, then what the member does
    q = moxtrel.create("moxPrintQueue")
    assert q.Find("Laser3", "HB-PRINT")
    jobs = q.PrintJobs
    assert jobs.NewJob.__doc__.startswith("NewJob(sName: String")
    assert "\n\n" in jobs.NewJob.__doc__ and "NewJob(sName: String" in type(jobs).__doc__
    enum_doc = constants.moxType.__doc__
    assert enum_doc.startswith("moxType: ") and "moxGlobal = 2" in enum_doc
    assert len(enum_doc.splitlines()) > 2 * len(constants.moxType)  # each member described


def test_repr_shows_the_class_and_the_path():
    u = moxtrel.create("moxUser")
    assert repr(u) == "<moxtrel.moxUser unbound>"
    assert u.Find("dalia", "HARBOR", constants.moxGlobal)
    assert repr(u) == "<moxtrel.moxUser 'HARBOR/dalia'>"
    d = moxtrel.create("moxDomain")
    assert repr(d) == "<moxtrel.moxDomain unbound>"
    d.Name = "HARBOR"
    assert repr(d) == "<moxtrel.moxDomain 'HARBOR'>"
    assert repr(d.Users) == "<moxtrel.moxUsers object>"
    q = d.Servers.Item("HARBOR/HB-PRINT").PrintQueues.Item("Laser3")
    assert repr(q) == "<moxtrel.moxPrintQueue 'HARBOR/HB-PRINT/Laser3'>"
    assert repr(moxtrel.app()) == "<moxtrel.moxCurrentEnvironment object>"
    # A name is shown as Python shows text, quotes and all.
    assert d.Users.Add("o'hara")
    assert repr(d.Users.Item("o'hara")) == '<moxtrel.moxUser "HARBOR/o\'hara">'


def test_repeated_reads_agree_whatever_the_case_of_the_name():
    u = moxtrel.create("moxUser")
    assert u.Find("dalia", "HARBOR", constants.moxGlobal)
    v = moxtrel.create("moxUser")
    # Names resolved once for the class serve every object of it.
    for _ in range(3):
        assert [u.UserName, u.username, u.USERNAME, u.uSeRnAmE] == ["dalia"] * 4
        assert v.UserName == "" and v.Exists is False
    u.accountdisabled = True
    assert u.AccountDisabled is True and u.ACCOUNTDISABLED is True
    u.AccountDisabled = False
    assert u.accountDisabled is False
    # Far more spellings than the class keeps still resolve, each to the same member.
    rng = random.Random(7)
    for _ in range(400):
        spelling = "".join(c.upper() if rng.random() < 0.5 else c.lower() for c in "Description")
        assert getattr(u, spelling) == u.Description
    # Methods and events resolve as before; an unknown name fails every time.
    assert u.find("dalia", "HARBOR", 2) is True and u.FIND("dalia", "HARBOR", 2) is True
    q = moxtrel.create("moxPrintQueue")
    assert q.Find("Laser3", "HB-PRINT")
    jobs = q.PrintJobs
    assert jobs.newjob.__doc__ == jobs.NewJob.__doc__
    for _ in range(2):
        with pytest.raises(moxtrel.MemberError):
            u.UserNmae
        assert not hasattr(jobs, "NewJobs2")


# Slips a user makes, for the script host and Python to answer alike.
MEMBER_SLIPS = [
    ("moxUser", "FulName"),
    ("moxUser", "usrname"),
    ("moxUser", "Fnd"),
    ("moxUser", "AccountDisabeld"),
    ("moxUser", "PasswordDoesntExpir"),
    ("moxUser", "Zzzzzzzz"),
    ("moxDomain", "Nmae"),
    ("moxDomain", "Usres"),
    ("moxGroup", "Descripton"),
    ("moxServer", "OperatingSytem"),
    ("moxPrintQueue", "Locaton"),
    ("moxPrintQueue", "PrintJob"),
    ("moxService", "Stauts"),
    ("moxFileShare", "MaxUser"),
]
CLASS_SLIPS = ["moxUsr", "Moxtrel.moxGrup", "moxDomian", "moxSrever", "moxPrintQeue", "Nothing"]


def host_suggestions(host, setup, slips):
    """The names the script host offers for `slips`, each a statement that fails, run after the
    statements of `setup`."""
    script = "\n".join(setup) + "\nOn Error Resume Next\n"
    for slip in slips:
        script += slip + "\nPrint Err.Description\nErr.Clear\n"
    run = subprocess.run(
        [host, "-"], input=script, capture_output=True, text=True, timeout=60, check=False
    )
    assert run.returncode == 0, run.stderr
    lines = run.stdout.splitlines()
    assert len(lines) == len(slips) and all(lines), run.stdout
    return [
        found.group(1) if found else None
        for found in (re.search(r'did you mean "([^"]*)"', line) for line in lines)
    ]


@pytest.mark.skipif(not os.environ.get("MOXTREL_HOST"), reason="the script host is not built")
def test_the_script_host_and_python_suggest_the_same_names():
    host = os.environ["MOXTREL_HOST"]
    setup = [f'Set o{i} = CreateObject("Moxtrel.{c}")' for i, (c, _) in enumerate(MEMBER_SLIPS)]
    slips = [f"x = o{i}.{slip}" for i, (_, slip) in enumerate(MEMBER_SLIPS)]
    python_names = [
        python_suggestion(lambda c=c, s=slip: getattr(moxtrel.create(c), s))
        for c, slip in MEMBER_SLIPS
    ]
    assert host_suggestions(host, setup, slips) == python_names
    assert python_names[:3] == ["FullName", "UserName", "Find"] and python_names[5] is None

    slips = [f'Set o = CreateObject("{c}")' for c in CLASS_SLIPS]
    python_names = [python_suggestion(lambda c=c: moxtrel.create(c)) for c in CLASS_SLIPS]
    assert host_suggestions(host, [], slips) == python_names
    assert python_names[:2] == ["moxUser", "Moxtrel.moxGroup"] and python_names[-1] is None
