"""The Moxtrel object model from Python, late-bound through its dispatch layer.

    import moxtrel
    d = moxtrel.create("moxDomain")
    d.Name = "HARBOR"
    for u in d.Users:
        print(u.UserName, u.FullName)

See docs/python.md, and help() of any object for its members.
"""
from moxtrel._moxtrel import (  # noqa: F401
    Connection,
    Empty,
    EmbeddedDirectory,
    Error,
    Failure,
    EventSlot,
    ManualClock,
    Member,
    MemberError,
    Object,
    app,
    classes,
    clear_last_failure,
    constants,
    create,
    directory,
    last_failure,
    manual_clock,
    pending_events,
    pump,
    set_error_hook,
    use_config,
    use_sample,
    use_seed,
)
from moxtrel import _moxtrel

# One class per library class (moxtrel.moxUser, ...), for isinstance() and help().
for _name in dir(_moxtrel):
    if _name.startswith("mox"):
        globals()[_name] = getattr(_moxtrel, _name)
del _name

# `import moxtrel.constants` and `from moxtrel.constants import ...` work too.
import sys as _sys

_sys.modules[__name__ + ".constants"] = constants
del _sys
