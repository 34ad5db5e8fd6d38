"""Every test binds through a fresh copy of the built-in sample directory."""
import pytest

import moxtrel


@pytest.fixture(autouse=True)
def fresh_directory():
    moxtrel.use_sample()
    yield
    moxtrel.set_error_hook(None)


@pytest.fixture
def reports():
    """Handler failures reported by the library on this thread."""
    seen = []
    moxtrel.set_error_hook(seen.append)
    return seen
