"""Prints the interpreter's site-packages folder relative to an install prefix (argv[1]).

The interpreter's own default folder is used when it lies below the prefix (Debian's
/usr/local/lib/python3.x/dist-packages for /usr/local, /usr/lib/python3/dist-packages for /usr);
otherwise the plain prefix layout, lib/python3.x/site-packages.
"""
import os
import sys
import sysconfig

prefix = os.path.normpath(sys.argv[1])
# Debian's system scheme first, so /usr gets /usr/lib/python3/dist-packages, not /usr/local/...
candidates = []
if "deb_system" in sysconfig.get_scheme_names():
    candidates.append(sysconfig.get_path("platlib", "deb_system"))
candidates.append(sysconfig.get_path("platlib"))
for path in candidates:
    path = os.path.normpath(path)
    if path.startswith(prefix + os.sep):
        print(os.path.relpath(path, prefix))
        sys.exit(0)
plain = sysconfig.get_path("platlib", "posix_prefix", vars={"platbase": "/", "base": "/"})
print(os.path.relpath(plain, "/"))
