#!/usr/bin/env python3
"""Writes src/ntfs/NtfsUpcaseTable.cpp: NTFS's upper-case table as compact runs.

The table is the $UpCase file of a fresh volume made by mkntfs (ntfs-3g's tools, installed by
scripts/setup.sh). Each run maps the units first, first + step, ..., last to unit + delta (modulo
0x10000); every unit no run covers is its own upper case. The program expands the runs into the full
table once (src/ntfs/NtfsUpcase.cpp).

Usage: scripts/make_upcase_table.py [--upcase FILE] [--output FILE]
  --upcase FILE  the 131,072 bytes of an $UpCase file (default: made with mkntfs and read with ntfscat)
  --output FILE  where the source goes (default: src/ntfs/NtfsUpcaseTable.cpp of this repository)
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile

UNITS = 0x10000
REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def tool(name):
    for folder in os.environ.get("PATH", "").split(os.pathsep) + ["/usr/sbin", "/sbin", "/usr/bin", "/bin"]:
        candidate = os.path.join(folder, name)
        if folder and os.access(candidate, os.X_OK):
            return candidate
    sys.exit(f"{name} is not installed (scripts/setup.sh installs ntfs-3g)")


def upcase_from_mkntfs():
    mkntfs, ntfscat = tool("mkntfs"), tool("ntfscat")
    with tempfile.TemporaryDirectory() as scratch:
        image = os.path.join(scratch, "upcase.img")
        with open(image, "wb") as f:
            f.truncate(4 * 1024 * 1024)
        subprocess.run([mkntfs, "-F", "-f", "-q", image], check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        version = subprocess.run([mkntfs, "--version"], capture_output=True, text=True).stdout
        version = (version.strip().splitlines() or ["mkntfs"])[0]
        data = subprocess.run([ntfscat, image, "$UpCase"], check=True, capture_output=True).stdout
    return data, version


def make_runs(table):
    """Greedy runs of units with one delta and a step of 1 or 2 (the alternating upper/lower pairs)."""
    runs = []  # [first, last, delta, step]
    for unit in range(UNITS):
        if table[unit] == unit:
            continue
        delta = (table[unit] - unit) % UNITS
        if runs:
            first, last, run_delta, step = runs[-1]
            if run_delta == delta:
                if step == 0 and unit - last in (1, 2):
                    runs[-1][1], runs[-1][3] = unit, unit - last
                    continue
                if step != 0 and unit - last == step:
                    runs[-1][1] = unit
                    continue
        runs.append([unit, unit, delta, 0])
    for run in runs:
        run[3] = run[3] or 1
    return runs


def expand(runs):
    table = list(range(UNITS))
    for first, last, delta, step in runs:
        for unit in range(first, last + 1, step):
            table[unit] = (unit + delta) % UNITS
    return table


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--upcase")
    parser.add_argument("--output", default=os.path.join(REPO, "src", "ntfs", "NtfsUpcaseTable.cpp"))
    args = parser.parse_args()
    if args.upcase:
        with open(args.upcase, "rb") as f:
            data = f.read()
        source = os.path.basename(args.upcase)
    else:
        data, source = upcase_from_mkntfs()
    if len(data) != 2 * UNITS:
        sys.exit(f"an $UpCase file has {2 * UNITS} bytes, this one {len(data)}")
    table = struct.unpack(f"<{UNITS}H", data)
    runs = make_runs(table)
    if expand(runs) != list(table):
        sys.exit("the runs do not give the table back")

    lines = [
        "// NTFS's upper-case table as runs, made by scripts/make_upcase_table.py from the $UpCase of a",
        f"// volume made by {source}. Do not edit: run the script again.",
        "// Each run maps first, first + step, ..., last to unit + delta (modulo 0x10000).",
        "",
        '#include "ntfs/NtfsUpcase.h"',
        "",
        "namespace ntfs {",
        "",
        "namespace {",
        "",
        "// clang-format off",
        "constexpr TUpcaseRun kRuns[] = {",
    ]
    for first, last, delta, step in runs:
        lines.append(f"    {{0x{first:04X}, 0x{last:04X}, 0x{delta:04X}, {step}}},")
    lines += [
        "};",
        "// clang-format on",
        "",
        "} // namespace",
        "",
        "std::span<const TUpcaseRun> ntfsUpcaseRuns() {",
        "    return kRuns;",
        "}",
        "",
        "} // namespace ntfs",
        "",
    ]
    with open(args.output, "w") as f:
        f.write("\n".join(lines))
    print(f"{args.output}: {len(runs)} runs, {sum(1 for u in range(UNITS) if table[u] != u)} units folded")


if __name__ == "__main__":
    main()
