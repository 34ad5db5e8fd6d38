"""Accounts: a domain's users, one user's properties, and group membership."""
import os

import moxtrel
from moxtrel import constants

# The sample directory, from its seed file (moxtrel.use_sample() has the same built in).
moxtrel.use_seed(os.path.join(os.path.dirname(__file__), "..", "sample-directory.json"))

d = moxtrel.create("moxDomain")
d.Name = "HARBOR"
for u in d.Users:  # enumeration through the collection's enumerator
    print(f"{u.UserName:6} {u.FullName:18} disabled={u.AccountDisabled}")

u = moxtrel.create("Moxtrel.moxUser")
print("Find dalia:", u.Find("dalia", "HARBOR", constants.moxGlobal))
print("Type:", u.UserType.name, int(u.UserType))
u.description = "  Engineering, on call  "  # names are found without regard to case
print(f"Description: [{u.Description}]")
print("AddToGroup Finance:", u.AddToGroup("Finance"))
u.Groups.Refresh()
print("Groups:", ", ".join(g.Name for g in u.Groups))

# By-reference arguments come back from .byref(...) as (result, arg1, arg2, ...).
g = moxtrel.create("moxGroup")
print("Find Finance:", g.Find("Finance", "HARBOR"))
ok, group, server = g.AddToLocalGroup.byref(" ProjectEditors ", " HB-FILES ")
print(f"AddToLocalGroup: {ok}, trimmed to [{group}] on [{server}]")

try:
    u.UserNmae
except AttributeError as e:
    print("AttributeError:", e)
try:
    u.Find()
except moxtrel.Error as e:
    print(f"moxtrel.Error 0x{e.code:08X} from {e.source}: {e.description}")
