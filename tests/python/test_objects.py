"""Creation, members by name, arguments, enumeration and errors through the dispatch layer."""
import datetime

import pytest

import moxtrel
from moxtrel import constants

UNKNOWN_NAME = 0x80020006
CLASS_NOT_REGISTERED = 0x80040154
BAD_PARAM_COUNT = 0x8002000E
PARAM_NOT_OPTIONAL = 0x8002000F


def test_create_by_short_and_registered_name_and_refuse_unknown_classes():
    d = moxtrel.create("moxDomain")
    assert type(d) is moxtrel.moxDomain and isinstance(d, moxtrel.Object)
    assert type(moxtrel.create("Moxtrel.moxUser")).__name__ == "moxUser"
    assert "Moxtrel.moxUser" in moxtrel.classes()
    with pytest.raises(moxtrel.Error) as failure:
        moxtrel.create("moxNothing")
    assert failure.value.source == "create" and "moxNothing" in failure.value.description
    with pytest.raises(moxtrel.Error):
        moxtrel.create("moxUsers")  # not creatable by a client
    with pytest.raises(TypeError):
        moxtrel.create(42)
    with pytest.raises(TypeError):
        moxtrel.moxUser()  # wrappers come only from the library


def test_properties_read_and_write_without_regard_to_case():
    d = moxtrel.create("moxDomain")
    d.name = "HARBOR"
    assert d.Name == "HARBOR" and d.NAME == "HARBOR"
    u = moxtrel.create("moxUser")
    assert u.Find("dalia", "HARBOR", constants.moxGlobal) is True
    u.description = "on call"
    assert u.Description == "on call"
    u.AccountDisabled = True
    assert u.accountdisabled is True
    u.AccountDisabled = False
    assert u.AccountDisabled is False


def test_unknown_and_misused_members_raise_attribute_errors_with_suggestions():
    u = moxtrel.create("moxUser")
    with pytest.raises(AttributeError) as failure:
        u.UserNmae
    assert "did you mean 'UserName'" in str(failure.value)
    assert isinstance(failure.value, moxtrel.Error) and failure.value.code == UNKNOWN_NAME
    assert failure.value.source == "moxUser.UserNmae"
    assert not hasattr(u, "Nothing_like_it")
    with pytest.raises(AttributeError):
        u.Qwxz = 1
    with pytest.raises(moxtrel.MemberError):
        u.Domain = "ELSEWHERE"  # read-only
    with pytest.raises(AttributeError):
        u._private


def test_methods_take_optional_keyword_and_by_reference_arguments():
    u = moxtrel.create("moxUser")
    assert u.Find("dalia", "HARBOR", constants.moxGlobal) is True
    assert u.Find(sUserName="dalia", sparent="HARBOR", LUSERTYPE=2) is True
    assert u.Find("nobody-here", "HARBOR", 2) is False
    with pytest.raises(moxtrel.Error) as failure:
        u.Find(sParent="HARBOR", lUserType=2)  # the gap before them is an omitted argument
    assert failure.value.code == PARAM_NOT_OPTIONAL and "sUserName" in failure.value.description
    with pytest.raises(moxtrel.Error) as failure:
        u.Find()
    assert failure.value.code == BAD_PARAM_COUNT
    with pytest.raises(moxtrel.Error) as failure:
        u.Find("a", "b", 1, "too many")
    assert failure.value.code == BAD_PARAM_COUNT
    with pytest.raises(TypeError):
        u.Find("dalia", "HARBOR", nosuch=1)
    with pytest.raises(TypeError):
        u.Find("dalia", sUserName="dalia")
    g = moxtrel.create("moxGroup")
    assert g.Find("Finance", "HARBOR")
    ok, group, server = g.AddToLocalGroup.byref(" ProjectEditors ", " HB-FILES ")
    assert (ok, group, server) == (True, "ProjectEditors", "HB-FILES")
    assert g.RemoveFromLocalGroup("ProjectEditors", "HB-FILES") is True
    assert "Find(sUserName: String" in u.Find.__doc__


def test_enumeration_default_member_and_one_wrapper_per_object():
    d = moxtrel.create("moxDomain")
    d.Name = "HARBOR"
    users = d.Users
    names = [u.UserName for u in users]
    assert "dalia" in names and len(names) == users.Count
    assert users.Item("dalia").UserName == "dalia"
    assert users("dalia").UserName == users["DALIA"].UserName == "dalia"
    assert users[1].UserName == names[0]
    assert d.Users is users  # the same object, the same wrapper
    assert users.Item("dalia") is users.Item("dalia")
    with pytest.raises(moxtrel.Error):
        users.Item("nobody-here")
    with pytest.raises(TypeError):
        iter(moxtrel.create("moxUser"))
    with pytest.raises(TypeError):
        type(iter(users))()  # iterators come only from a collection


def test_values_convert_both_ways():
    u = moxtrel.create("moxUser")
    assert u.Find("dalia", "HARBOR", constants.moxGlobal)
    when = datetime.datetime(2031, 5, 6, 7, 8, 9, 600000)
    u.AccountExpirationDate = when
    assert u.AccountExpirationDate == datetime.datetime(2031, 5, 6, 7, 8, 10)
    u.AccountExpirationDate = datetime.date(2030, 1, 2)
    assert u.AccountExpirationDate == datetime.datetime(2030, 1, 2)
    with pytest.raises(TypeError):
        u.AccountExpirationDate = datetime.datetime(2030, 1, 2, tzinfo=datetime.timezone.utc)
    u.Description = "Grüße \U0001F600"
    assert u.Description == "Grüße \U0001F600"
    with pytest.raises(moxtrel.Error):
        u.Description = 2**80  # no Double holds it exactly
    with pytest.raises(TypeError):
        u.Description = object()
    looped = []
    looped.append(looped)
    with pytest.raises(ValueError):
        u.Description = looped  # a list that holds itself is refused, not recursed into
    assert u.UserType == constants.moxType.moxGlobal
    assert isinstance(u.UserType, constants.moxType)
    assert repr(moxtrel.Empty) == "Empty" and not moxtrel.Empty
    d = moxtrel.create("moxDomain")
    d.Name = "HARBOR"
    users = d.Users
    with pytest.raises(moxtrel.Error):
        users.Item([1, "x"])  # an array is no index
    assert moxtrel.constants.moxSVCSRunning == 4
    from moxtrel.constants import enmoxServiceStatus
    assert enmoxServiceStatus(4).name == "moxSVCSRunning"


def test_dir_and_help_list_members_with_parameters():
    u = moxtrel.create("moxUser")
    names = dir(u)
    assert "UserName" in names and "Find" in names and "NewEnum" not in names
    doc = type(u).__doc__
    assert "Find(sUserName: String" in doc and "UserName: String" in doc and "read-only" in doc
    q = moxtrel.create("moxPrintQueue")
    assert q.PrintJobs is None  # Nothing until the queue is bound
    assert q.Find("Laser3", "HB-PRINT")
    jobs = q.PrintJobs
    assert "NewJob" in dir(jobs) and "NewJob(sName: String" in type(jobs).__doc__
    import pydoc
    assert "AccountDisabled" in pydoc.render_doc(u)


def test_directory_choice_refuses_bad_files_and_keeps_the_directory_in_use(tmp_path):
    d = moxtrel.create("moxDomain")
    d.Name = "HARBOR"
    assert d.Users.Add("zora") is True
    missing = str(tmp_path / "missing.json")
    broken = tmp_path / "broken.toml"
    broken.write_text("[[backend\n")
    for choose, path in ((moxtrel.use_seed, missing), (moxtrel.use_config, str(broken))):
        try:
            choose(path)
        except moxtrel.Error as e:
            assert path in e.description and e.source == choose.__name__
        else:
            raise AssertionError(f"{choose.__name__}({path}) was accepted")
    # The directory in use before the failures still answers, with the change made in it.
    u = moxtrel.create("moxUser")
    assert u.Find("zora", "HARBOR", constants.moxGlobal)
    seed = tmp_path / "tiny.json"
    seed.write_text('{"domains": [{"name": "TINY"}]}')
    moxtrel.use_seed(str(seed))
    assert not moxtrel.directory().contains("WinNT://HARBOR")


def test_a_failed_read_names_its_member_and_names_python_knows_still_resolve():
    d = moxtrel.create("moxDomain")
    d.Name = "HARBOR"
    users = d.Users
    u = users.Item("emil")
    assert users.Remove("emil") is True
    for spelling in ("FullName", "fullname"):  # the second read finds the cached member
        with pytest.raises(moxtrel.Error) as failure:
            getattr(u, spelling)
        assert failure.value.source == "moxUser.FullName"
    assert u.__class__ is moxtrel.moxUser and "UserName" in dir(u)
    assert "moxUser" in repr(u) and callable(u.Find)


def test_a_walk_reuses_wrappers_without_mixing_up_their_objects():
    import gc
    import weakref

    d = moxtrel.create("moxDomain")
    d.Name = "HARBOR"
    users = d.Users
    gc.collect()
    before = moxtrel._moxtrel._live_wrappers()
    seen, kept = [], []
    for i, u in enumerate(users):
        seen.append((weakref.ref(u), u.UserName))
        if i % 2 == 0:
            kept.append(u)
    del u
    assert len(seen) == users.Count > 2
    for i, (ref, name) in enumerate(seen):
        if i % 2:
            assert ref() is None  # dropped with its last reference, weak references cleared
        else:
            assert ref() is kept[i // 2] and ref().UserName == name
    # A second walk hands out the kept wrappers again and fresh ones for the rest.
    again = list(users)
    assert all(again[i] is kept[i // 2] for i in range(0, len(again), 2))
    assert [u.UserName for u in again] == [name for _, name in seen]
    del again, kept
    gc.collect()
    assert moxtrel._moxtrel._live_wrappers() == before


def test_a_name_the_class_takes_on_later_is_no_longer_read_from_the_object():
    u = moxtrel.create("moxUser")
    assert u.Find("dalia", "HARBOR", constants.moxGlobal)
    assert u.UserName == "dalia" and u.UserName == "dalia"  # the second read is a kept one
    moxtrel.moxUser.UserName = property(lambda self: "from the class")
    try:
        assert u.UserName == "from the class"
    finally:
        del moxtrel.moxUser.UserName
    assert u.UserName == "dalia"
