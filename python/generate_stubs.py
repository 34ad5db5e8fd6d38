"""Writes the moxtrel type stubs (__init__.pyi) from the type library of the built module.

Run by the build: PYTHONPATH=<build>/python python3 generate_stubs.py <out.pyi>
"""
import os
import sys

# The script's own folder holds the package's source, without the built module: look past it.
_here = os.path.dirname(os.path.abspath(__file__))
sys.path = [p for p in sys.path if os.path.abspath(p or ".") != _here]

from moxtrel import _moxtrel  # noqa: E402

SCALARS = {
    "void": "None",
    "string": "str",
    "long": "int",
    "boolean": "bool",
    "date": "datetime.datetime",
    "double": "float",
    "variant": "Any",
}


def result_type(t, classes):
    if t["kind"] == "object":
        return t["name"] if t["name"] in classes else "Object"
    if t["kind"] == "enum":
        return f"constants.{t['name']}"
    return SCALARS[t["kind"]]


def param_type(t, classes):
    if t["kind"] == "enum":
        return "int"
    if t["kind"] == "object":
        return (t["name"] if t["name"] in classes else "Object") + " | None"
    return SCALARS[t["kind"]]


def params_text(params, classes):
    out = ["self"]
    for p in params:
        text = f"{p['name']}: {param_type(p['type'], classes)}"
        out.append(text + " = ..." if p["optional"] else text)
    return ", ".join(out)


def class_lines(c, classes):
    lines = [f"class {c['name']}(Object):"]
    members = [m for m in c["members"] if not m["hidden"]]
    by_id = {}
    for m in c["members"]:
        by_id.setdefault(m["dispid"], []).append(m)
    done = set()
    for m in members:
        if m["dispid"] in done:
            continue
        done.add(m["dispid"])
        slots = by_id[m["dispid"]]
        get = next((s for s in slots if s["kind"] == "get" and not s["params"]), None)
        puts = [s for s in slots if s["kind"] in ("put", "putref")]
        if get:
            lines.append("    @property")
            lines.append(f"    def {get['name']}(self) -> {result_type(get['result'], classes)}: ...")
            if puts:
                value = param_type(puts[0]["params"][-1]["type"], classes)
                if puts[0]["params"][-1]["type"]["kind"] == "object":
                    value = value.replace(" | None", "")
                lines.append(f"    @{get['name']}.setter")
                lines.append(f"    def {get['name']}(self, value: {value}) -> None: ...")
        elif not puts:
            lines.append(f"    def {m['name']}({params_text(m['params'], classes)}) -> "
                         f"{result_type(m['result'], classes)}:")
            lines.append(f'        """{m["signature"]}"""')
    item = next((s for s in c["members"] if s["dispid"] == 0 and s["kind"] in ("get", "method")), None)
    has_enum = any(s["dispid"] == -4 for s in c["members"])
    if item:
        rt = result_type(item["result"], classes)
        lines.append(f"    def __call__({params_text(item['params'], classes)}) -> {rt}: ...")
        lines.append(f"    def __getitem__(self, Index: Any) -> {rt}: ...")
        if has_enum:
            lines.append(f"    def __iter__(self) -> Iterator[{rt}]: ...")
    for e in c["events"]:
        lines.append(f"    {e['name']}: EventSlot")
    if len(lines) == 1:
        lines.append("    ...")
    return lines


def main(out_path):
    lib = _moxtrel._library()
    classes = {c["name"] for c in lib["classes"]}
    out = [
        f'"""Type stubs for moxtrel, written from the type library {lib["name"]} '
        f'{lib["version"]} at build time; do not edit."""',
        "import datetime",
        "import enum",
        "from typing import Any, Callable, Final, Iterator, Literal, overload",
        "",
        "class Error(Exception):",
        "    code: int",
        "    source: str",
        "    description: str",
        "class MemberError(Error, AttributeError): ...",
        "class EmptyType:",
        "    def __bool__(self) -> Literal[False]: ...",
        "Empty: Final[EmptyType]",
        "",
        "class Object:",
        "    def __getattr__(self, name: str) -> Any: ...",
        "    def __setattr__(self, name: str, value: Any) -> None: ...",
        "class Member:",
        "    def __call__(self, *args: Any, **kwargs: Any) -> Any: ...",
        "    def byref(self, *args: Any, **kwargs: Any) -> tuple[Any, ...]: ...",
        "class Connection:",
        "    connected: bool",
        "    handler: Callable[..., Any]",
        "    def disconnect(self) -> None: ...",
        "    def __enter__(self) -> Connection: ...",
        "    def __exit__(self, *args: Any) -> bool: ...",
        "class EventSlot:",
        "    def connect(self, handler: Callable[..., Any]) -> Connection: ...",
        "    def disconnect(self, connection: Connection) -> None: ...",
        "class ManualClock:",
        "    def __enter__(self) -> ManualClock: ...",
        "    def __exit__(self, *args: Any) -> bool: ...",
        "class Failure:",
        "    number: int",
        "    source: str",
        "    description: str",
        "    call: str",
        "    member: str",
        "class EmbeddedDirectory:",
        "    def submit_job(self, queue_path: str, document: str, user: str, pages: int,",
        "                   size: int | None = ..., submitted: datetime.datetime | None = ...) -> str: ...",
        "    def finish_spooling(self, job_path: str) -> None: ...",
        "    def contains(self, path: str) -> bool: ...",
        "",
        "class constants:",
    ]
    for e in lib["enums"]:
        out.append(f"    class {e['name']}(enum.IntEnum):")
        for _, ident, value in e["members"]:
            out.append(f"        {ident} = {value}")
    for e in lib["enums"]:
        for _, ident, _ in e["members"]:
            out.append(f"    {ident}: Final = {e['name']}.{ident}")
    out.append("")
    for c in lib["classes"]:
        out.extend(class_lines(c, classes))
        out.append("")
    for c in lib["classes"]:
        if c["creatable"]:
            out.append("@overload")
            out.append(f'def create(class_name: Literal["{c["name"]}", "Moxtrel.{c["name"]}"]) '
                       f"-> {c['name']}: ...")
    out += [
        "@overload",
        "def create(class_name: str) -> Object: ...",
        "def app() -> moxCurrentEnvironment: ...",
        "def classes() -> list[str]: ...",
        "def use_sample() -> None: ...",
        "def use_seed(path: str) -> None: ...",
        "def use_config(path: str) -> None: ...",
        "def directory() -> EmbeddedDirectory: ...",
        "def pump(seconds: float) -> None: ...",
        "def pending_events() -> int: ...",
        "def manual_clock() -> ManualClock: ...",
        "def set_error_hook(hook: Callable[[Error], Any] | None) -> None: ...",
        "def last_failure() -> Failure | None: ...",
        "def clear_last_failure() -> None: ...",
        "",
    ]
    with open(out_path, "w", encoding="utf-8") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main(sys.argv[1])
