#!/usr/bin/env python3
"""Reads the PE headers of the released Windows executables: a 32-bit one must be large-address aware
(4 GB on 64-bit Windows), and none may carry a COFF symbol table. Prints each file's size and flags."""
import struct
import sys

IMAGE_FILE_LARGE_ADDRESS_AWARE = 0x0020
MACHINE_I386 = 0x014C


def check(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"MZ":
        return [f"{path}: not an executable"]
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return [f"{path}: no PE header"]
    machine, _, _, symbols_at, symbols, _, characteristics = struct.unpack_from("<HHIIIHH", data, pe + 4)
    aware = bool(characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE)
    bits = 32 if machine == MACHINE_I386 else 64
    print(f"{path}: {len(data)} bytes, {bits}-bit, large-address aware: {'yes' if aware else 'no'}, "
          f"symbols: {symbols}")
    problems = []
    if bits == 32 and not aware:
        problems.append(f"{path}: a 32-bit program that is not large-address aware (2 GB at most)")
    if symbols_at != 0 or symbols != 0:
        problems.append(f"{path}: carries a symbol table of {symbols} symbols")
    return problems


def main():
    if len(sys.argv) < 2:
        print("usage: check_pe_flags.py EXE...", file=sys.stderr)
        return 2
    problems = [p for path in sys.argv[1:] for p in check(path)]
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
