"""With no directory chosen, the module serves what the script host would: MOXTREL_CONFIG's
configuration when it names one, else the built-in sample."""
import os
import subprocess
import sys

PROBE = (
    "import moxtrel\n"
    "try:\n"
    "    print(moxtrel.directory().contains('WinNT://HARBOR,domain'))\n"
    "except moxtrel.Error as e:\n"
    "    print(e.source, e.description)\n"
)


def first_use(config):
    env = dict(os.environ)
    env.pop("MOXTREL_CONFIG", None)
    if config is not None:
        env["MOXTREL_CONFIG"] = config
    run = subprocess.run(
        [sys.executable, "-c", PROBE], env=env, capture_output=True, text=True, timeout=60,
        check=False,
    )
    assert run.returncode == 0, run.stderr
    return run.stdout.strip()


def test_an_unset_or_empty_variable_gives_the_sample(tmp_path):
    assert first_use(None) == "True"
    assert first_use("") == "True"
    missing = str(tmp_path / "missing.toml")
    assert first_use(missing).startswith("use_config cannot load " + missing)
    config = tmp_path / "moxtrel.toml"
    config.write_text('[computers.PC1]\naccounts = "memory"\n')
    assert first_use(str(config)) == (
        "directory a configuration is in use, not the embedded directory"
    )
