#!/usr/bin/env python3
"""The X channel's gain against its amplitude and the angle error it leaves.

For each GA_X from 0 to 7: read the X-Y signals over a turn of the magnet, fit the ellipse as
the X-Y page does, and note the amplitudes, their mismatch and the first-harmonic angle error
(what the centre's offset costs; it shrinks as the amplitude grows). Writes gain_sweep.csv and
gain_sweep.png, and puts GA_X back as it was.

The magnet must turn steadily at 1 to 10 rpm (each X-Y reading takes the chip's two 100 ms
pauses, so a turn at 6 rpm is some 50 readings). Against the virtual chip,
--virtual-time makes the pauses take no time.

    python3 gain_sweep.py [--library PATH] [--virtual-time] [--points N] [--out DIR]
"""
import argparse
import csv
import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")  # files only: no window needed
import matplotlib.pyplot as plt  # noqa: E402

import qx5520  # noqa: E402

GAINS = range(8)
COLUMNS = ["GA_X", "amplitude_x", "amplitude_y", "mismatch_percent", "offset_error_degrees",
           "total_error_degrees", "note"]


def measure(chip, points):
    """One turn's fit as a row of COLUMNS (less GA_X); None in a figure the fit withdrew."""
    signals = chip.read_signals(points)
    fit = qx5520.fit_ellipse(signals, time=signals["time"])
    return {"amplitude_x": fit["amplitudes"][0], "amplitude_y": fit["amplitudes"][1],
            "mismatch_percent": fit["mismatch_percent"],
            "offset_error_degrees": fit["offset_error_degrees"],
            "total_error_degrees": fit["total_error_degrees"], "note": fit["withdrawn"]}


def plot(rows, path):
    gains = [row["GA_X"] for row in rows]
    figure, (top, bottom) = plt.subplots(2, 1, sharex=True, figsize=(7, 6))
    top.plot(gains, [row["amplitude_x"] for row in rows], "o-", label="X (sine)")
    top.plot(gains, [row["amplitude_y"] for row in rows], "s--", label="Y (cosine)")
    top.set_ylabel("amplitude, codes")
    top.legend()
    top.grid(True, alpha=0.3)
    trusted = [(row["GA_X"], row["offset_error_degrees"]) for row in rows
               if row["offset_error_degrees"] is not None]
    if trusted:
        bottom.plot(*zip(*trusted), "o-", color="tab:red")
    for row in rows:
        if row["offset_error_degrees"] is None:  # a clipped channel: no figure to show
            bottom.annotate(row["note"], (row["GA_X"], 0), rotation=90, fontsize=8,
                            ha="center", va="bottom")
    bottom.set_xlabel("GA_X")
    bottom.set_ylabel("first-harmonic error, °")
    bottom.grid(True, alpha=0.3)
    figure.suptitle("QX5520: X gain against amplitude and first-harmonic angle error")
    figure.tight_layout()
    figure.savefig(path, dpi=100)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--library", help="the adapter library (default: as the tool finds it)")
    parser.add_argument("--virtual-time", action="store_true",
                        help="with the virtual chip: its pauses take no time")
    parser.add_argument("--points", type=int, default=60, help="X-Y readings per gain")
    parser.add_argument("--out", type=Path, default=Path("."), help="folder for the files")
    args = parser.parse_args()

    if args.virtual_time:
        qx5520.use_virtual_time(library=args.library)
    rows = []
    with qx5520.open(args.library) as chip:
        start = chip.fields["GA_X"]
        try:
            for gain in GAINS:
                chip.fields["GA_X"] = gain
                try:
                    rows.append({"GA_X": gain, **measure(chip, args.points)})
                except ValueError as why:  # the points made no fit: say so, go on
                    print(f"GA_X {gain}: {why}", file=sys.stderr)
                    continue
                row = rows[-1]
                error = row["offset_error_degrees"]
                print(f"GA_X {gain}: amplitudes {row['amplitude_x']:.0f} / "
                      f"{row['amplitude_y']:.0f} codes, first harmonic "
                      + (f"{error:.3f}°" if error is not None else f"withdrawn ({row['note']})"))
        finally:
            chip.fields["GA_X"] = start
    if not rows:
        sys.exit("no gain gave a fit: is the magnet turning?")

    args.out.mkdir(parents=True, exist_ok=True)
    with open(args.out / "gain_sweep.csv", "w", newline="") as file:
        writer = csv.DictWriter(file, fieldnames=COLUMNS, delimiter=";")
        writer.writeheader()
        writer.writerows({key: ("" if value is None else value) for key, value in row.items()}
                         for row in rows)
    plot(rows, args.out / "gain_sweep.png")
    print(f"wrote {args.out / 'gain_sweep.csv'} and {args.out / 'gain_sweep.png'}")


if __name__ == "__main__":
    main()
