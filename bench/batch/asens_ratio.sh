#!/usr/bin/env bash
# Runs `qx5520 -asens` against the virtual chip several times and prints the median wall time
# as a ratio to the pauses the chip protocol requires: one identification read and five
# register reads, 100 ms each.
#   bench/batch/asens_ratio.sh <qx5520> <libMPSSE.so> [runs]
set -euo pipefail
exe="$1"
sim="$2"
runs="${3:-9}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$exe" "$work/"
cp "$sim" "$work/$(basename "$sim")"
printf '[sim]\nreg.34=1\nreg.35=2\nreg.36=3\nreg.37=4\nreg.38=5\n' >"$work/scenario.ini"
times=()
for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    QX5520_SIM="$work/scenario.ini" "$work/$(basename "$exe")" -asens "$work/out.csv"
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
done
lines=$(($(wc -l <"$work/out.csv") - 1))
[ "$lines" -eq "$runs" ] || { echo "asens_ratio: expected $runs lines, got $lines" >&2; exit 1; }
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
echo "asens_median_us=$median"
awk -v m="$median" 'BEGIN { printf "asens_ratio=%.3f\n", m / 600000 }'
