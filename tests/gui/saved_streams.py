#!/usr/bin/python3
"""Checks the files the store test build saved into a real folder against the streams of its store.

saved_streams.py FOLDER FILE=STREAM...   exits 0 when FOLDER holds exactly the files named, each with
                                         the bytes of its stream (FILE=STREAM as in Zone(1).Identifier=
                                         setup.exe:Zone.Identifier); prints every difference
"""

import os
import sys

# The streams of the store test build (src/app/StoreDemoFixture.cpp), by file name and stream name.
ZONE = (b"[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://downloads.example.org/tools/\r\n"
        b"HostUrl=https://downloads.example.org/tools/setup.exe\r\n")
STREAMS = {
    "setup.exe:Zone.Identifier": ZONE,
    "readme.txt:Zone.Identifier": b"[ZoneTransfer]\r\nZoneId=3",
    "report.docx:summary": b"Quarterly figures, draft 3",
    "report.docx:thumbnail": b"\x89PNG\r\n\x1a\n\0\0\0\rIHDR",
    "notes.txt:hidden": b"This text does not show in the file manager.",
    "holiday.jpg:exif": b"\xFF\xE1\x00\x16Exif\0\0MM",
    "holiday.jpg:gps": b"48.8584 N, 2.2945 E",
}


def main():
    folder, wanted = sys.argv[1], dict(arg.split("=", 1) for arg in sys.argv[2:])
    problems = []
    present = sorted(os.listdir(folder)) if os.path.isdir(folder) else None
    if present is None:
        problems.append(f"no folder {folder}")
        present = []
    for name in present:
        if name not in wanted:
            problems.append(f"unexpected file {name}")
    for name, stream in wanted.items():
        path = os.path.join(folder, name)
        if not os.path.isfile(path):
            problems.append(f"missing {name} (the copy of {stream})")
            continue
        with open(path, "rb") as f:
            data = f.read()
        if data != STREAMS[stream]:
            problems.append(f"{name}: {len(data)} bytes {data[:40]!r}, expected {len(STREAMS[stream])} bytes "
                            f"{STREAMS[stream][:40]!r} of {stream}")
    for problem in problems:
        print("  " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
