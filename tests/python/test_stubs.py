"""The type stubs written at build time describe the library's classes as Python sees them."""
import ast
import os

import moxtrel


def test_stubs_parse_and_type_members_from_the_library():
    path = os.path.join(os.path.dirname(moxtrel.__file__), "__init__.pyi")
    tree = ast.parse(open(path, encoding="utf-8").read())
    classes = {node.name: node for node in tree.body if isinstance(node, ast.ClassDef)}
    for name in ("moxUser", "moxPrintJobs", "moxCurrentEnvironment", "constants", "Error"):
        assert name in classes
    functions = {}
    for node in classes["moxUser"].body:
        if isinstance(node, ast.FunctionDef):
            functions.setdefault(node.name, []).append(node)
    find = functions["Find"][0]
    assert [a.arg for a in find.args.args] == ["self", "sUserName", "sParent", "lUserType"]
    assert ast.unparse(find.returns) == "bool"
    # A read/write property has a getter and a setter; a read-only one only a getter.
    assert len(functions["FullName"]) == 2 and len(functions["Domain"]) == 1
    jobs = ast.unparse(classes["moxPrintJobs"])
    assert "NewJob: EventSlot" in jobs and "def __iter__(self) -> Iterator[moxPrintJob]" in jobs
    text = ast.unparse(tree)
    assert "def create(class_name: Literal['moxUser', 'Moxtrel.moxUser']) -> moxUser" in text
    assert "moxUsers'" not in text  # not creatable: no overload


def test_member_callables_describe_themselves():
    u = moxtrel.create("moxUser")
    assert u.Find.__doc__.startswith("Find(sUserName: String, sParent: String, lUserType: moxType")
    assert repr(u.Find) == "<member moxUser.Find>"
    jobs = moxtrel.create("moxPrintQueue")
    assert jobs.Find("Laser3", "HB-PRINT")
    assert repr(jobs.PrintJobs.NewJob) == "<event moxPrintJobs.NewJob>"
