"""The examples in examples/python run against the virtual chip and write what they say."""
import csv
import os
import subprocess
import sys
from pathlib import Path

EXAMPLES = Path(__file__).resolve().parents[2] / "examples" / "python"


def run(script, tmp_path, *args):
    return subprocess.run([sys.executable, str(EXAMPLES / script), "--out", str(tmp_path), *args],
                          check=True, capture_output=True, text=True, env=os.environ.copy())


def test_gain_sweep_writes_a_row_per_gain_and_its_chart(scenario, tmp_path):
    scenario("reg.4 = 120\nnoise = 3\n")
    run("gain_sweep.py", tmp_path, "--virtual-time")
    with open(tmp_path / "gain_sweep.csv", newline="") as file:
        rows = list(csv.DictReader(file, delimiter=";"))
    assert [int(row["GA_X"]) for row in rows] == list(range(8))
    amplitudes = [float(row["amplitude_x"]) for row in rows]
    assert amplitudes == sorted(amplitudes) and amplitudes[-1] > amplitudes[0] * 1.3
    errors = [float(row["offset_error_degrees"]) for row in rows]
    assert errors[-1] < errors[0], "the same offset costs less angle on a larger amplitude"
    assert (tmp_path / "gain_sweep.png").read_bytes()[:4] == b"\x89PNG"


def test_noise_reports_the_scatter_at_rest_and_refuses_a_turning_magnet(scenario, tmp_path):
    scenario("rpm = 0\nnoise = 4\n")
    out = run("noise.py", tmp_path, "--readings", "5000").stdout
    assert "effective" in out and (tmp_path / "noise.png").read_bytes()[:4] == b"\x89PNG"

    scenario("rpm = 60\n")
    turning = subprocess.run([sys.executable, str(EXAMPLES / "noise.py"), "--out", str(tmp_path),
                              "--readings", "300", "--interval", "0.001"],
                             capture_output=True, text=True, env=os.environ.copy())
    assert turning.returncode != 0 and "the magnet turns" in turning.stderr
