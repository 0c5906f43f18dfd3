"""The assistants and the accuracy analysis from Python, against the virtual chip in virtual
time (its pauses take none and its magnet turns by them)."""
import numpy as np
import pytest

import qx5520

OFF_CENTRE = "reg.4 = 300\nreg.5 = 0x1F06\n"  # OFFSET_SIN 300, OFFSET_COS -250


def test_centre_signals_writes_the_offsets_that_centre_the_circle(scenario, virtual_time):
    scenario(OFF_CENTRE)
    steps = []
    with qx5520.open() as chip:
        report = chip.centre_signals(progress=steps.append)
        centre = qx5520.fit_ellipse(chip.read_signals(200))["centre"]
        with pytest.raises(qx5520.AdapterError, match="close the chips first"):
            qx5520.use_virtual_time(False)
    assert report["outcome"] == "done" and report["fault"] is None
    assert report["before"]["centre"] == pytest.approx((300, -250), abs=3)
    assert np.hypot(*report["after"]["centre"]) < 2
    assert np.hypot(*centre) < 3, "a fresh fit agrees with the report"
    assert report["fields"]["OFFSET_SIN"][0] == 300
    assert report["text"].startswith("The signals are centred.")
    fractions = [step.fraction for step in steps]
    assert fractions == sorted(fractions) and 0 <= fractions[0] and fractions[-1] <= 1
    assert any("rpm" in step.text for step in steps), "the live lines reach the callback"


@pytest.mark.parametrize("stop", ["cancel", "raise"])
def test_a_stopped_assistant_puts_the_starting_values_back(scenario, virtual_time, stop):
    """Returning False cancels; an exception (as Ctrl+C raises) restores before it leaves."""
    scenario(OFF_CENTRE)

    class Stop(Exception):
        pass

    with qx5520.open() as chip:
        start = [chip.fields[key] for key in ("OA_X", "OA_Y", "OFFSET_SIN", "OFFSET_COS")]

        def progress(step):
            # Stop once a trial value is in the chip.
            if chip._core.read_register(4) != 300 or chip._core.read_register(0) & 0x3F:
                if stop == "raise":
                    raise Stop()
                return False
            return None

        if stop == "raise":
            with pytest.raises(Stop):
                chip.centre_signals(progress)
        else:
            report = chip.centre_signals(progress)
            assert report["outcome"] == "cancelled" and report["written"]
            assert report["restored"] and not report["restore_failed"]
        assert [chip.fields[key] for key in ("OA_X", "OA_Y", "OFFSET_SIN", "OFFSET_COS")] == start


def test_set_zero_here_makes_the_position_read_the_angle_asked(scenario, virtual_time):
    scenario("rpm = 0\nnoise = 4\n")
    with qx5520.open() as chip:
        report = chip.set_zero_here(90.0)
        assert report["outcome"] == "done", report["text"]
        assert abs(report["residual_codes"]) <= 2 and report["target_code"] == 2048
        codes = chip.read_angles(400)["code"].astype(float)
        assert abs(codes.mean() - 2048) < 3

    scenario("rpm = 6\n")
    with qx5520.open() as chip:
        report = chip.set_zero_here()
        assert (report["outcome"], report["fault"]) == ("failed", "turning")
        assert report["fields"]["ZERO_POS"] == (0, 0), "nothing left written"


def test_accuracy_finds_the_error_the_magnet_was_given(scenario, virtual_time):
    scenario("rpm = 600\neccentricity = 0.5\nharmonic2 = 0.2\n")
    with qx5520.open() as chip:
        readings = chip.read_angles(2000, interval=0.001)
    assert np.allclose(np.diff(readings["time"]), 0.001), "the interval in virtual time"
    result = qx5520.accuracy(readings)
    assert result["revolutions"] >= 10 and len(result["curve_error"]) == 64
    amplitudes = [amplitude for amplitude, _ in result["harmonics"]]
    assert amplitudes[0] == pytest.approx(0.5, abs=0.05)
    assert amplitudes[1] == pytest.approx(0.2, abs=0.05)
    assert result["limits"], "a constant speed names what it cannot tell apart"

    # A reference instrument turning the other way, its zero elsewhere, sampled densely.
    times = readings["time"]
    unwrapped = np.unwrap(np.radians(readings["degrees"])) * 180 / np.pi
    line = np.polyfit(times - times[0], unwrapped, 1)
    grid = np.linspace(times[0], times[-1], 20 * len(times))
    reference = (grid, 40.0 - np.polyval(line, grid - times[0]))
    by_reference = qx5520.accuracy(readings, reference)
    assert by_reference["reference_reversed"] and by_reference["limits"] == ""
    assert "reversed" in by_reference["state"]
    assert by_reference["harmonics"][0][0] == pytest.approx(0.5, abs=0.05)

    with pytest.raises(ValueError, match="at least 16"):
        qx5520.accuracy(readings[:10])
    with pytest.raises(ValueError, match="one length"):
        qx5520.accuracy((times, times[:-1]))
    with pytest.raises(ValueError, match="index 3 is not a finite number"):
        qx5520.accuracy((times, np.where(np.arange(len(times)) == 3, np.nan, times)))


def test_a_capture_reads_at_the_bus_limit_and_its_error_is_the_magnets(scenario):
    scenario("rpm = 3000\nnoise = 0\neccentricity = 0.5\nharmonic2 = 0.2\n")
    with qx5520.open(clock_hz=1_000_000) as chip:
        angles = chip.capture_angles(100_000)
        info = chip.capture_info
    assert angles.dtype == qx5520.ANGLE_DTYPE and len(angles) == 100_000
    assert info["in_library"] and info["limit"] == 50_000
    assert info["rate"] == pytest.approx(50_000, rel=1e-4) and info["start"] > 1.7e9
    assert angles["time"][0] == 0
    assert np.diff(angles["time"]).max() <= 20e-6 * 1.001, "no gap over a frame"
    result = qx5520.accuracy(angles)  # 100 turns at 3000 rpm
    assert [h[0] for h in result["harmonics"][:2]] == pytest.approx([0.5, 0.2], abs=0.05)
