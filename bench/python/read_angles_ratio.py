"""Prints python_read_angles_ratio: the speed of qx5520's Chip.read_angles(100_000) against the
virtual chip over the speed of the same loop in C++ (bench_angle_loop), each the best of
several rounds, the two taken in turns within this one run (1.0: as fast as C++).
    read_angles_ratio.py BENCH_ANGLE_LOOP"""
import subprocess
import sys
import time

import qx5520

N = 100_000
ROUNDS = 5


def python_best(chip):
    best = float("inf")
    for _ in range(ROUNDS):
        start = time.perf_counter()
        chip.read_angles(N)
        best = min(best, time.perf_counter() - start)
    return best


def cpp_best(loop):
    out = subprocess.run([loop, qx5520.default_library(), str(N), str(ROUNDS)], check=True,
                         capture_output=True, text=True)
    return float(out.stdout)


def main():
    loop = sys.argv[1]
    with qx5520.open() as chip:
        py, cpp = [], []
        for _ in range(3):
            py.append(python_best(chip))
            cpp.append(cpp_best(loop))
    py_s, cpp_s = min(py), min(cpp)
    print(f"python_read_angles_s={py_s:.4f} cpp_loop_s={cpp_s:.4f} "
          f"readings_per_s={N / py_s:.0f}")
    print(f"python_read_angles_ratio={cpp_s / py_s:.3f}")


if __name__ == "__main__":
    main()
