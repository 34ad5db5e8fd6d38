"""The environment: the global application object, and what holds on every machine."""
import moxtrel
from moxtrel import constants

env = moxtrel.app()
print("Computer name known:", len(env.CurrentComputer) > 0)
print("The global object is one object:", env is moxtrel.app())
created = moxtrel.create("moxCurrentEnvironment")
print("A created one agrees:", created.CurrentUser == env.CurrentUser)
print("Privilege is a known value:", env.CurrentUserPrivilege in list(constants.enmoxUserPrivilege))
print("Members:", ", ".join(dir(env)))
