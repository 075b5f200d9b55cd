#!/usr/bin/env python3
"""Writes the partition table fuzz target's seeds (fuzz/corpus/partition_table/): small disks with an
MBR and a chain of logical partitions, GPT with 512- and 4096-byte sectors (checksums made here), fixed
and dynamic VHD footers and a bare NTFS boot sector. Each seed is in the input form of fuzz_ntfs_volume:
the image's size in 512-byte sectors, then its non-blank pieces (offset, length, bytes)."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DISK = 256 << 10  # what the target reads at most


def mbr_sector(entries):
    sector = bytearray(512)
    for slot, (kind, start, count) in enumerate(entries):
        struct.pack_into('<B3xB3xII', sector, 0x1BE + 16 * slot, 0, kind, start, count)
    sector[510:512] = b'\x55\xaa'
    return bytes(sector)


def guid(text):
    a, b, c, d, e = text.split('-')
    return struct.pack('<IHH', int(a, 16), int(b, 16), int(c, 16)) + bytes.fromhex(d + e)


BASIC = guid('EBD0A0A2-B9E5-4433-87C0-68B6B72699C7')
LINUX = guid('0FC63DAF-8483-4772-8E79-3D69D8477DE4')


def gpt(sector, entries, size=DISK):
    last = size // sector - 1
    array = bytearray(128 * 128)
    for i, (kind, first, end) in enumerate(entries):
        struct.pack_into('<16s16sQQ', array, 128 * i, kind, b'\x01' * 16, first, end)
    array_sectors = len(array) // sector or 1

    def header(lba, alternate, entries_lba):
        h = bytearray(struct.pack('<8sIIIIQQQQ16sQIII', b'EFI PART', 0x10000, 92, 0, 0, lba, alternate,
                                  34, last - 34, b'\x02' * 16, entries_lba, 128, 128, zlib.crc32(array)))
        struct.pack_into('<I', h, 16, zlib.crc32(h))
        return bytes(h)

    return [(0, mbr_sector([(0xEE, 1, min(last, 0xFFFFFFFF))])),
            (sector, header(1, last, 2)), (2 * sector, bytes(array)),
            ((last - array_sectors) * sector, bytes(array)), (last * sector, header(last, 1, last - array_sectors))]


def vhd_footer(disk_type):
    footer = bytearray(512)
    footer[0:8] = b'conectix'
    struct.pack_into('>I', footer, 60, disk_type)
    struct.pack_into('>I', footer, 64, ~sum(footer) & 0xFFFFFFFF)
    return bytes(footer)


def seed(pieces, size=DISK):
    out = struct.pack('<I', size // 512)
    for offset, data in pieces:
        data = data.rstrip(b'\x00')  # the image is zeros elsewhere
        for at in range(0, len(data), 0xFFFF):  # a piece holds at most 65535 bytes
            out += struct.pack('<IH', offset + at, len(data[at:at + 0xFFFF])) + data[at:at + 0xFFFF]
    return out


def write(name, data):
    folder = os.path.join(HERE, 'corpus', 'partition_table')
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


logical = [(0, mbr_sector([(0x0C, 64, 16), (0x07, 80, 16), (0x83, 96, 16), (0x0F, 128, 256)])),
           (128 * 512, mbr_sector([(0x83, 8, 8), (0x05, 32, 32)])),
           (160 * 512, mbr_sector([(0x07, 8, 8), (0x05, 64, 32)])),
           (192 * 512, mbr_sector([(0x83, 8, 8)]))]
write('mbr-logical', seed(logical))
write('ebr-loop', seed([(0, mbr_sector([(0x05, 100, 300)])), (100 * 512, mbr_sector([(0x83, 10, 10), (0x05, 50, 10)])),
                        (150 * 512, mbr_sector([(0x83, 10, 10), (0x05, 50, 10)]))]))
write('gpt-512', seed(gpt(512, [(BASIC, 64, 199), (LINUX, 200, 399)])))
write('gpt-4096', seed(gpt(4096, [(BASIC, 8, 20), (LINUX, 21, 50)])))
write('gpt-backup-only', seed([p for p in gpt(512, [(BASIC, 64, 199)]) if p[0] not in (512, 1024)]))
write('vhd-fixed', seed(logical + [(DISK - 512, vhd_footer(2))]))
write('vhd-dynamic', seed([(0, vhd_footer(3)), (DISK - 512, vhd_footer(3))]))
write('bare-ntfs', seed([(0, b'\xeb\x52\x90NTFS    ' + b'\x00' * 499 + b'\x55\xaa')]))
