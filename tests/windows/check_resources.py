"""Reads back what Explorer shows of a built Windows file: its version resource, with the product
name, a description in Simplified Chinese and one in English, the version, the file's own name,
and the program's icon in the sizes Windows picks from.

    python3 check_resources.py FILE VERSION

Needs Debian's python3-pefile (Debian's own python3)."""

import os
import struct
import sys

import pefile

CHINESE, ENGLISH = b"080404b0", b"040904b0"
ICON_SIZES = {16, 32, 48, 256}


def main(path, version):
    failures = []

    def expect(what, expected, actual):
        if expected != actual:
            failures.append(f"{what} is {actual!r}, expected {expected!r}")

    pe = pefile.PE(path)
    tables = {}
    for info in getattr(pe, "FileInfo", [[]])[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                tables[table.LangID] = {k.decode(): v.decode() for k, v in table.entries.items()}
    expect("the string tables", sorted([CHINESE, ENGLISH]), sorted(tables))

    parts = [int(p) for p in version.split(".")] + [0, 0, 0]
    fixed = pe.VS_FIXEDFILEINFO[0] if hasattr(pe, "VS_FIXEDFILEINFO") else None
    expect("the fixed file version",
           ((parts[0] << 16) | parts[1], (parts[2] << 16) | parts[3]),
           (fixed.FileVersionMS, fixed.FileVersionLS) if fixed else None)

    name = os.path.basename(path)
    descriptions = {}
    for lang in (CHINESE, ENGLISH):
        table = tables.get(lang, {})
        expect(f"{lang.decode()} ProductName", "Zeld V3", table.get("ProductName"))
        expect(f"{lang.decode()} FileVersion", version, table.get("FileVersion"))
        expect(f"{lang.decode()} ProductVersion", version, table.get("ProductVersion"))
        expect(f"{lang.decode()} OriginalFilename", name, table.get("OriginalFilename"))
        descriptions[lang] = table.get("FileDescription", "")
    chinese = descriptions[CHINESE]
    english = descriptions[ENGLISH]
    expect("the Chinese description has Chinese in it", True,
           any("\u4e00" <= c <= "\u9fff" for c in chinese))
    expect("the English description is plain English", True, bool(english) and english.isascii())

    expect("the icon's sizes", sorted(ICON_SIZES), sorted(icon_sizes(pe)))

    for failure in failures:
        print(f"FAIL: {name}: {failure}")
    if not failures:
        print(f"ok: {name}: Zeld V3 {version}, {chinese} / {english}"
              ", with its icon")
    return 1 if failures else 0


def icon_sizes(pe):
    """The sizes in the first icon group whose images are all in the file."""
    groups, images = [], set()
    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in resources.entries if resources else []:
        for entry in kind.directory.entries:
            for lang in entry.directory.entries:
                if kind.id == pefile.RESOURCE_TYPE["RT_GROUP_ICON"]:
                    data = lang.data.struct
                    groups.append(pe.get_data(data.OffsetToData, data.Size))
                elif kind.id == pefile.RESOURCE_TYPE["RT_ICON"]:
                    images.add(entry.id)
    if not groups:
        return []
    group = groups[0]
    _, _, count = struct.unpack_from("<HHH", group)
    sizes = []
    for i in range(count):
        width, _height, _, _, _, _, _, image = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        if image in images:
            sizes.append(width or 256)
    return sizes


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
