"""The virtual chip for the module's tests: a scenario of the test's own, with a trace."""
import ctypes
import os

import pytest

import qx5520


@pytest.fixture
def scenario(tmp_path, monkeypatch):
    """Writes the virtual chip's scenario (with a trace), points the chip at it and powers
    a fresh chip up (the library stays loaded between tests)."""
    def write(keys=""):
        (tmp_path / "trace.txt").unlink(missing_ok=True)
        path = tmp_path / "scenario.ini"
        path.write_text(f"[sim]\ntrace={tmp_path / 'trace.txt'}\nchannels=2\n{keys}")
        monkeypatch.setenv("QX5520_SIM", str(path))
        ctypes.CDLL(os.environ["QX5520_ADAPTER_LIBRARY"]).QX5520Sim_Reset()
        return tmp_path / "trace.txt"
    return write


@pytest.fixture
def virtual_time():
    """The chips opened in the test take their pauses in virtual time; real time after it."""
    qx5520.use_virtual_time()
    yield
    qx5520.use_virtual_time(False)
