#!/usr/bin/python3
"""The parts of scripts/release.sh that must give the same bytes every time.

  release-files.py msi EPOCH PACKAGE...          fix what wixl makes differ between two builds
  release-files.py zip EPOCH OUT.zip NAME=FILE...  a zip in this order, every entry dated EPOCH

Debian's python3, for its python3-olefile (the packages are OLE compound files).
"""
import datetime
import hashlib
import struct
import sys
import uuid
import zipfile

import olefile

SUMMARY = "\x05SummaryInformation"
PID_REVNUMBER = 9  # the package code
VT_LPSTR, VT_FILETIME = 0x1E, 0x40
FILETIME_1601 = 11644473600


def utc(epoch):
    # A zip entry and a cabinet keep local times without a zone: the commit's UTC time, whatever
    # the zone of the machine that builds.
    return datetime.datetime.fromtimestamp(epoch, datetime.timezone.utc)


def fix_summary(data, epoch, package_code):
    """wixl writes the time of the build and a random package code into the summary."""
    data = bytearray(data)
    (section,) = struct.unpack_from("<I", data, 44)
    _, count = struct.unpack_from("<II", data, section)
    for i in range(count):
        pid, offset = struct.unpack_from("<II", data, section + 8 + 8 * i)
        at = section + offset
        (kind,) = struct.unpack_from("<I", data, at)
        if kind == VT_FILETIME:
            struct.pack_into("<Q", data, at + 4, (epoch + FILETIME_1601) * 10**7)
        elif kind == VT_LPSTR and pid == PID_REVNUMBER:
            (size,) = struct.unpack_from("<I", data, at + 4)
            code = ("{%s}" % package_code).upper().encode("ascii") + b"\0"
            if size != len(code):
                sys.exit("unexpected package code length %d" % size)
            data[at + 8 : at + 8 + size] = code
    return bytes(data)


def fix_cabinet(data, epoch):
    """gcab dates each file of the embedded cabinet with its modification time."""
    data = bytearray(data)
    (files_at,) = struct.unpack_from("<I", data, 16)
    (count,) = struct.unpack_from("<H", data, 28)
    t = utc(epoch)
    date = ((t.year - 1980) << 9) | (t.month << 5) | t.day
    time = (t.hour << 11) | (t.minute << 5) | (t.second // 2)
    at = files_at
    for _ in range(count):
        struct.pack_into("<HH", data, at + 10, date, time)
        at = data.index(b"\0", at + 16) + 1
    return bytes(data)


def fix_package(path, epoch):
    ole = olefile.OleFileIO(path, write_mode=True)
    try:
        streams = sorted(ole.listdir())
        content = hashlib.sha256()
        for name in streams:
            if name == [SUMMARY]:
                continue
            data = ole.openstream(name).read()
            if data[:4] == b"MSCF":
                data = fix_cabinet(data, epoch)
                ole.write_stream(name, data)
            content.update("/".join(name).encode("utf-8") + b"\0" + data)
        # The same content gives the same code; another content, another one.
        code = uuid.UUID(bytes=content.digest()[:16], version=4)
        ole.write_stream(SUMMARY, fix_summary(ole.openstream(SUMMARY).read(), epoch, str(code)))
    finally:
        ole.close()


def write_zip(out, epoch, entries):
    stamp = utc(max(epoch, 315532800)).timetuple()[:6]  # a zip cannot date before 1980
    with zipfile.ZipFile(out, "w") as archive:
        for entry in entries:
            name, source = entry.split("=", 1)
            info = zipfile.ZipInfo(name, stamp)
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(source, "rb") as f:
                archive.writestr(info, f.read(), compresslevel=9)


def main(argv):
    if len(argv) >= 3 and argv[0] == "msi":
        for path in argv[2:]:
            fix_package(path, int(argv[1]))
    elif len(argv) >= 4 and argv[0] == "zip":
        write_zip(argv[2], int(argv[1]), argv[3:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
