"""The qx5520 module against the virtual chip (QX5520_ADAPTER_LIBRARY names it): every call
goes through the tool's own core, so what a script sees is what the window and the batch mode
see."""
import os
import signal
import subprocess
import sys
import textwrap
import time

import numpy as np
import pytest

import qx5520


def test_fields_are_written_verified_and_never_cut(scenario):
    scenario()
    with qx5520.open() as chip:
        assert chip.read_register(39) == 0x08E2
        chip.fields["GA_X"] = 21
        assert chip.fields["GA_X"] == 21
        assert chip.read_register(2) >> 11 == 21, "the field's bits of register 2"
        assert len(chip.fields) == 36 and "ZERO_POS" in chip.fields
        with pytest.raises(ValueError, match=r"GA_X: 32 is not a value of the field \(0..31\)"):
            chip.fields["GA_X"] = 32
        with pytest.raises(KeyError):
            chip.fields["NO_SUCH"]
        with pytest.raises(qx5520.SsiModeError, match="nothing written"):
            chip.fields["SSI_MODE"] = 1
        with pytest.raises(qx5520.SsiModeError):
            chip.write_register(16, 0x0800)
        assert chip.read_register(16) & 0x0800 == 0
        chip.identifier = 0xC0FFEE01
        assert chip.identifier == 0xC0FFEE01


def test_a_bit_the_chip_does_not_hold_is_a_verify_error(scenario):
    scenario("stuck_low.2 = 0x8000\n")
    with qx5520.open() as chip:
        with pytest.raises(qx5520.VerifyError) as error:
            chip.fields["GA_X"] = 17
        assert (error.value.field, error.value.address, error.value.wanted, error.value.read) == \
            ("GA_X", 2, 17, 1)


@pytest.mark.parametrize("keys, error, cause", [
    ("chip = absent\n", qx5520.NotIdentified, "no chip answers"),
    ("reg.39 = 0x1234\n", qx5520.NotIdentified, "register 39 answers 0x1234, not 0x08E2"),
])
def test_a_chip_that_is_not_there_is_named(scenario, keys, error, cause):
    scenario(keys)
    with pytest.raises(error, match=cause):
        qx5520.open()


def test_no_library_and_no_channel_are_adapter_errors(scenario, tmp_path):
    scenario()
    with pytest.raises(qx5520.AdapterError, match="is missing or incomplete"):
        qx5520.open(tmp_path / "libMPSSE.so")
    with pytest.raises(qx5520.AdapterError, match="no adapter channel could be opened"):
        qx5520.open(serial="NOSUCH")
    with pytest.raises(qx5520.AdapterError, match="no adapter channel could be opened"):
        qx5520.open(channel=2)


def test_readings_are_arrays_of_their_own_types(scenario):
    scenario("rpm = 60\n")
    with qx5520.open() as chip:
        angles = chip.read_angles(200)
        signals = chip.read_signals(10)
        assert angles.dtype == np.dtype(
            [("time", "<f8"), ("code", "<u2"), ("degrees", "<f8"), ("adc", "u1"),
             ("low_speed", "u1"), ("parity_ok", "?")], align=True) == qx5520.ANGLE_DTYPE
        assert signals.dtype == np.dtype([("time", "<f8"), ("x", "<i4"), ("y", "<i4")],
                                         align=True) == qx5520.SIGNAL_DTYPE
        assert len(angles) == 200 and len(signals) == 10
        assert angles["parity_ok"].all(), "the virtual chip sends even parity"
        assert np.all(np.diff(angles["time"]) >= 0)
        assert np.allclose(angles["degrees"], angles["code"].astype(float) * 360 / 8192)
        assert 1.7e9 < angles["time"][0] < 4e9, "seconds since 1970"
        assert len(chip.read_angles(0)) == 0
        with pytest.raises(ValueError):
            chip.read_angles(-1)


def test_two_chips_work_side_by_side(scenario):
    scenario()
    with qx5520.open(channel=0) as first, qx5520.open(channel=1) as second:
        first.fields["ZERO_POS"] = 100
        second.fields["ZERO_POS"] = 200
        assert (first.fields["ZERO_POS"], second.fields["ZERO_POS"]) == (100, 200)
    assert first.closed and second.closed
    with pytest.raises(qx5520.AdapterError, match="closed"):
        first.read_register(39)


@pytest.mark.parametrize("reading", ["read_angles(20_000_000)",  # in slices, no pause
                                     "read_angles(10_000_000, interval=0.001)",
                                     "read_signals(1000)"])  # 200 ms a reading
def test_ctrl_c_ends_a_reading_and_the_channel_stays_usable(scenario, reading):
    scenario()
    script = textwrap.dedent(f"""
        import signal, qx5520
        # A child started in the background inherits SIGINT ignored: take Python's own.
        signal.signal(signal.SIGINT, signal.default_int_handler)
        chip = qx5520.open()
        try:
            print("reading", flush=True)
            chip.{reading}
        except KeyboardInterrupt:
            print("interrupted", hex(chip.read_register(39)), flush=True)
    """)
    child = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE, text=True,
                             env=os.environ.copy())
    assert child.stdout.readline().strip() == "reading"
    time.sleep(0.3)  # well into the readings
    sent = time.monotonic()
    child.send_signal(signal.SIGINT)
    out, _ = child.communicate(timeout=20)
    assert out.strip() == "interrupted 0x8e2"
    # The read of register 39 and the end of the process take most of it.
    assert time.monotonic() - sent < 3, "Ctrl+C waits for no more than the reading under way"


def test_configuration_files_go_both_ways_with_the_batch_mode(scenario, tmp_path):
    scenario(f"state = {tmp_path / 'chip.state'}\n")
    tool = os.environ["QX5520_TOOL"]
    saved, batch_saved = tmp_path / "python.ini", tmp_path / "batch.ini"
    with qx5520.open() as chip:
        chip.fields["GA_X"] = 9
        chip.save_config(saved)
    assert "GA_X=9" in saved.read_text()
    saved.write_text(saved.read_text().replace("GA_X=9", "GA_X=12"))
    subprocess.run([tool, "-loadconfig", str(saved)], check=True)
    subprocess.run([tool, "-saveconfig", str(batch_saved)], check=True)
    with qx5520.open() as chip:
        assert chip.fields["GA_X"] == 12, "the batch run wrote the file Python saved"
        assert chip.compare_config(batch_saved)["different"] == []
        chip.fields["GA_X"] = 3
        assert chip.compare_config(batch_saved)["different"] == [("GA_X", 12, 3)]
        report = chip.load_config(batch_saved)
        assert report["verified"] == 1 and report["mismatched"] == []
        assert chip.fields["GA_X"] == 12

        bad = tmp_path / "bad.ini"
        bad.write_text("[QX5520]\nGA_X=99\nNO_SUCH=1\n")
        with pytest.raises(qx5520.ConfigFileError) as error:
            chip.load_config(bad)
        assert [line.split(": ", 1)[1] for line in error.value.lines] == \
            ["GA_X=99: does not fit the field (0..31)", "unknown key NO_SUCH"]
        bad.write_text("[QX5520]\nSSI_MODE=1\n")
        with pytest.raises(qx5520.SsiModeError, match="SSI_MODE=1 switches"):
            chip.load_config(bad)
        with pytest.raises(qx5520.ConfigFileError):
            chip.save_config(tmp_path / "no" / "such" / "folder.ini")


def test_the_analyses_are_the_pages_own(scenario):
    scenario("rpm = 0\nnoise = 3\n")
    with qx5520.open() as chip:
        stats = qx5520.angle_stats(chip.read_angles(500))
    assert stats["count"] == 500 and stats["rpm"] is None
    assert 0 < stats["sigma_codes"] < 10 and stats["effective_bits"] < 13

    turn = np.linspace(0, 2 * np.pi, 200, endpoint=False)
    fit = qx5520.fit_ellipse(100 + 2000 * np.sin(turn), -50 + 1900 * np.cos(turn))
    assert fit["centre"] == pytest.approx((100, -50), abs=0.5)
    assert fit["amplitudes"] == pytest.approx((2000, 1900), abs=0.5)
    assert fit["mismatch_percent"] == pytest.approx(100 * 100 / 1950, abs=0.05)
    assert fit["withdrawn"] == "" and fit["total_error_degrees"] > 0
    with pytest.raises(ValueError, match="too few points"):
        qx5520.fit_ellipse([1, 2, 3], [1, 2, 3])
    with pytest.raises(ValueError, match="less than 270 degrees"):
        qx5520.fit_ellipse(2000 * np.sin(turn[:50]), 2000 * np.cos(turn[:50]))


def test_a_field_write_sends_the_frames_of_setparam_and_of_a_group_write(scenario, tmp_path):
    """GA_X = 3 is register 2 = 0x1800 on a chip at power-up, however it is written."""
    def writes(trace, after=0):
        """The frames that write (a read's command frame is followed by its answer)."""
        lines = [line.split(" ", 1)[1] for line in trace.read_text().splitlines()[after:]]
        return [line for line, then in zip(lines, lines[1:] + [""])
                if line.startswith("write") and not then.startswith("read")]

    trace = scenario()
    with qx5520.open() as chip:
        opened = len(trace.read_text().splitlines())
        chip.fields["GA_X"] = 3
    from_python = writes(trace, opened)

    trace = scenario()
    subprocess.run([os.environ["QX5520_TOOL"], "-setparam", "2", "0x1800"], check=True)
    from_batch = writes(trace)

    trace = scenario()
    group = tmp_path / "ga_x.ini"
    group.write_text("[QX5520]\nGA_X=3\n")
    with qx5520.open() as chip:
        opened = len(trace.read_text().splitlines())
        assert chip.load_config(group)["verified"] == 1
    from_group = writes(trace, opened)

    assert from_python and from_python == from_batch == from_group
