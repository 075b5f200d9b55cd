#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_ntfs_volume (fuzz/corpus/ntfs_volume/): small NTFS volumes made by
mkntfs and written through the ntfs-3g mount (root and FUSE needed), each cut to the sectors that are
not blank, in the input format of fuzz/NtfsVolumeCheck.h: the image size in 512-byte sectors, then
pieces (offset, length, bytes). Blank sectors (zeros, or the 0xFF that fills $LogFile) and the sectors
of $UpCase are left out (the reader keeps its own table when the volume's is blank), and so are MFT
records not in use."""
import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SECTOR = 512


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make(name, size_kib, cluster, content, options="streams_interface=windows"):
    with tempfile.TemporaryDirectory() as work:
        image = os.path.join(work, "volume.img")
        with open(image, "wb") as f:
            f.truncate(size_kib << 10)
        run("mkntfs", "-F", "-f", "-q", "-c", str(cluster), "-L", name, image)
        mount = os.path.join(work, "mnt")
        os.mkdir(mount)
        run("ntfs-3g", "-o", options, image, mount)
        try:
            content(mount)
        finally:
            run("umount", mount)
        upcase = subprocess.run(["ntfscat", image, "$UpCase"], check=True, capture_output=True).stdout
        with open(image, "rb") as f:
            data = f.read()
    skip = {upcase[i:i + SECTOR] for i in range(0, len(upcase), SECTOR)}
    pieces = []
    unused_until = 0
    for at in range(0, len(data), SECTOR):
        sector = data[at:at + SECTOR]
        # A record not in use reads as blank just as well (1 KiB records).
        if sector[:4] == b"FILE" and struct.unpack_from("<H", sector, 0x16)[0] & 1 == 0:
            unused_until = at + 1024
        if at < unused_until:
            continue
        if sector in (b"\0" * SECTOR, b"\xff" * SECTOR) or sector in skip:
            continue
        if pieces and pieces[-1][0] + len(pieces[-1][1]) == at and len(pieces[-1][1]) + SECTOR <= 0xFFFF:
            pieces[-1] = (pieces[-1][0], pieces[-1][1] + sector)
        else:
            pieces.append((at, sector))
    out = struct.pack("<I", len(data) // SECTOR)
    for at, piece in pieces:
        out += struct.pack("<IH", at, len(piece)) + piece
    folder = os.path.join(HERE, "corpus", "ntfs_volume")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(out)
    print(f"{name}: {len(out)} bytes")


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def streams(mount):
    os.mkdir(os.path.join(mount, "docs"))
    write(os.path.join(mount, "docs", "a.txt"), b"main data")
    write(os.path.join(mount, "docs", "a.txt:Zone.Identifier"), b"[ZoneTransfer]\r\nZoneId=3\r\n")
    write(os.path.join(mount, "docs", "a.txt:notes"), b"n" * 3000)
    write(os.path.join(mount, "docs:folder stream"), b"on a folder")
    write(os.path.join(mount, "Foo"), b"upper")
    write(os.path.join(mount, "foo"), b"lower")
    write(os.path.join(mount, "foo:Same"), b"S")
    write(os.path.join(mount, "foo:same"), b"s")
    write(os.path.join(mount, "\u00e9t\u00e9 \U0001F600.txt"), b"unicode")
    os.link(os.path.join(mount, "docs", "a.txt"), os.path.join(mount, "hardlink.txt"))


def attribute_list(mount):
    path = os.path.join(mount, "many.txt")
    write(path, b"x")
    # Few streams, each with a long name, still fill several extension records.
    for n in range(24):
        write(f"{path}:stream-{n}-" + "with-a-long-name-to-fill-records-" * 3, bytes([n]) * 40)


def sparse(mount):
    with open(os.path.join(mount, "sparse.bin"), "wb") as f:
        f.seek((3 << 20) - 4)  # sparse: larger than the volume
        f.write(b"tail")
    write(os.path.join(mount, "fragments.bin"), b"".join(bytes([n]) * 700 for n in range(40)))


def compressed(mount):
    folder = os.path.join(mount, "packed")
    os.mkdir(folder)
    os.setxattr(folder, "system.ntfs_attrib", struct.pack("<I", 0x10 | 0x800))
    text = b"The same line again and again, easy to compress. " * 400
    write(os.path.join(folder, "text.txt"), text)
    write(os.path.join(folder, "text.txt:ps"), text[:8192])
    write(os.path.join(folder, "small.txt"), b"tiny")
    write(os.path.join(folder, "small.txt:Zone.Identifier"), b"[ZoneTransfer]\r\nZoneId=3\r\n")


if __name__ == "__main__":
    # Small volumes with 512-byte clusters, so that each execution reads little besides the records.
    make("streams", 1536, 512, streams)
    make("attribute-list", 1536, 512, attribute_list)
    make("sparse", 1536, 512, sparse)
    make("compressed", 1536, 512, compressed, "streams_interface=windows,compression")
