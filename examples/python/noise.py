#!/usr/bin/env python3
"""The angle noise with the magnet at rest: N angle words, their scatter, the effective and
noise-free resolution as the angle page gives them, and a histogram. Writes noise.png.

    python3 noise.py [--library PATH] [--readings N] [--interval SECONDS] [--out DIR]
"""
import argparse
import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")  # files only: no window needed
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import qx5520  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--library", help="the adapter library (default: as the tool finds it)")
    parser.add_argument("--readings", type=int, default=20_000)
    parser.add_argument("--interval", type=float, default=0.0,
                        help="seconds between readings (0: as fast as the bus allows)")
    parser.add_argument("--out", type=Path, default=Path("."), help="folder for the file")
    args = parser.parse_args()

    with qx5520.open(args.library) as chip:
        angles = chip.read_angles(args.readings, args.interval)
    stats = qx5520.angle_stats(angles)
    if stats["rpm"] is not None:
        sys.exit(f"the magnet turns ({stats['rpm']:.2f} rpm): noise needs it at rest")
    bad = int((~angles["parity_ok"]).sum())
    if bad:
        print(f"{bad} words failed their parity and are left out", file=sys.stderr)
    codes = angles["code"][angles["parity_ok"]].astype(float)
    # Whole codes from the (circular) mean's code, so that a rest near 0°/360° does not split
    # in two and each bar is one code.
    centre = round(stats["mean_code"]) % 8192
    deviation = (codes - centre + 4096) % 8192 - 4096

    print(f"{stats['count']} readings at {stats['rate_hz']:.0f} /s, mean "
          f"{stats['mean_degrees'] % 360:.3f}°")
    print(f"sigma {stats['sigma_codes']:.2f} codes ({stats['sigma_codes'] * 360 / 8192:.4f}°), "
          f"peak to peak {stats['peak_to_peak_codes']} codes")
    print(f"effective {stats['effective_bits']:.2f} bits, noise-free "
          f"{stats['noise_free_bits']:.2f} bits")

    figure, axes = plt.subplots(figsize=(7, 4))
    edges = np.arange(np.floor(deviation.min()) - 0.5, np.ceil(deviation.max()) + 1.5)
    axes.hist(deviation, bins=edges, color="tab:blue", edgecolor="white")
    axes.set_xlabel(f"angle code − {centre} (the mean's code; 1 code = 0.044°)")
    axes.set_ylabel("readings")
    axes.set_title(f"QX5520 angle noise at rest: σ = {stats['sigma_codes']:.2f} codes, "
                   f"{stats['effective_bits']:.1f} effective bits")
    axes.grid(True, alpha=0.3)
    figure.tight_layout()
    args.out.mkdir(parents=True, exist_ok=True)
    figure.savefig(args.out / "noise.png", dpi=100)
    print(f"wrote {args.out / 'noise.png'}")


if __name__ == "__main__":
    main()
