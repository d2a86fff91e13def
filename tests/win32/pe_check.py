#!/usr/bin/env python3
"""Checks the Windows saver's file: what Windows reads before it runs a line.

  pe_check.py SAVER.exe SAVER.scr NOLOGO.exe RESOURCES_DIR

The header (PE32, i386, GUI subsystem 6.0), the imports, the version
record, the manifest and bitmap 131 (the bytes of logo.bmp); the .scr is the
same file; the -nologo variant differs only in lacking the bitmap.
"""
import os
import struct
import sys

import pefile

IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
ALLOWED_DLLS = {"user32.dll", "gdi32.dll", "gdiplus.dll", "kernel32.dll", "msvcrt.dll"}
RT_BITMAP, RT_MANIFEST = 2, 24
IDB_LOGO = 131
VOS_NT_WINDOWS32, VFT_APP = 0x00040004, 1
VERSION_1_0_1_0 = (0x00010000, 0x00010000)


def resources(pe, kind):
    """{id: bytes} of one resource type."""
    found = {}
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if entry.id != kind:
            continue
        for item in entry.directory.entries:
            for language in item.directory.entries:
                rva, size = language.data.struct.OffsetToData, language.data.struct.Size
                found[item.id] = pe.get_data(rva, size)
    return found


def header_problems(pe):
    problems = []
    if pe.FILE_HEADER.Machine != IMAGE_FILE_MACHINE_I386:
        problems.append(f"machine {pe.FILE_HEADER.Machine:#x}, not i386")
    if pe.OPTIONAL_HEADER.Magic != PE32_MAGIC:
        problems.append(f"optional header magic {pe.OPTIONAL_HEADER.Magic:#x}, not PE32")
    if pe.OPTIONAL_HEADER.Subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        problems.append(f"subsystem {pe.OPTIONAL_HEADER.Subsystem}, not the GUI")
    version = (pe.OPTIONAL_HEADER.MajorSubsystemVersion, pe.OPTIONAL_HEADER.MinorSubsystemVersion)
    if version != (6, 0):
        problems.append(f"subsystem version {version[0]}.{version[1]}, not 6.0")
    return problems


def import_problems(pe):
    imports = {entry.dll.decode().lower(): {i.name for i in entry.imports}
               for entry in pe.DIRECTORY_ENTRY_IMPORT}
    problems = [f"imports {dll}" for dll in sorted(set(imports) - ALLOWED_DLLS)]
    gdiplus = imports.get("gdiplus.dll", set())
    for name in (b"GdiplusStartup", b"GdiplusShutdown"):
        if name not in gdiplus:
            problems.append(f"does not import {name.decode()} from gdiplus.dll")
    return problems


def version_problems(pe):
    if not hasattr(pe, "VS_FIXEDFILEINFO"):
        return ["no version record"]
    fixed = pe.VS_FIXEDFILEINFO[0]
    expected = {
        "FileVersionMS": VERSION_1_0_1_0[0], "FileVersionLS": VERSION_1_0_1_0[1],
        "ProductVersionMS": VERSION_1_0_1_0[0], "ProductVersionLS": VERSION_1_0_1_0[1],
        "FileFlagsMask": 0x3F, "FileFlags": 0, "FileOS": VOS_NT_WINDOWS32,
        "FileType": VFT_APP, "FileSubtype": 0, "FileDateMS": 0, "FileDateLS": 0,
    }
    problems = [f"{field} is {getattr(fixed, field):#x}, not {value:#x}"
                for field, value in expected.items() if getattr(fixed, field) != value]
    tables, translations = {}, []
    for info in pe.FileInfo[0]:
        for table in getattr(info, "StringTable", []):
            tables[table.LangID.decode()] = {k.decode(): v.decode()
                                             for k, v in table.entries.items()}
        for var in getattr(info, "Var", []):
            translations.append(var.entry.get(b"Translation"))
    if list(tables) != ["040904b0"]:
        problems.append(f"string blocks {list(tables)}, not just 040904b0")
    strings = tables.get("040904b0", {})
    for key in ("FileVersion", "ProductVersion"):
        if strings.get(key) != "1.0.1.0":
            problems.append(f"{key} reads {strings.get(key)!r}, not '1.0.1.0'")
    if translations != ["0x0409 0x04b0"]:
        problems.append(f"translation {translations}, not 0x0409/1200")
    return problems


def manifest_problems(pe, manifest_path):
    manifests = resources(pe, RT_MANIFEST)
    if list(manifests) != [1]:
        return [f"manifest resources {list(manifests)}, not just number 1"]
    text = manifests[1].decode()
    with open(manifest_path) as f:
        if text != f.read():
            return ["the manifest is not resources/saver.manifest"]
    problems = []
    if 'level="asInvoker"' not in text or 'uiAccess="false"' not in text:
        problems.append("the manifest does not ask for asInvoker without uiAccess")
    for needless in ("dpiAware", "supportedOS", "dependency", "compatibility"):
        if needless in text:
            problems.append(f"the manifest declares {needless}")
    return problems


def bitmap_problems(pe, logo_path):
    bitmaps = resources(pe, RT_BITMAP)
    if IDB_LOGO not in bitmaps:
        return [f"no bitmap {IDB_LOGO}"]
    bitmap = bitmaps[IDB_LOGO]
    width, height, _, bits = struct.unpack_from("<iiHH", bitmap, 4)
    problems = []
    if (width, abs(height), bits) != (50, 39, 24):
        problems.append(f"bitmap {IDB_LOGO} is {width}x{height}x{bits}, not 50x39x24")
    with open(logo_path, "rb") as f:
        if bitmap != f.read()[14:]:  # a bitmap resource is the file less its file header
            problems.append(f"bitmap {IDB_LOGO} is not resources/logo.bmp")
    return problems


def main(argv):
    if len(argv) != 5:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    exe, scr, nologo, resources_dir = argv[1:]
    manifest = os.path.join(resources_dir, "saver.manifest")
    logo = os.path.join(resources_dir, "logo.bmp")
    problems = []
    for path in (exe, scr, nologo):
        if not os.path.isfile(path):
            print(f"error: no file {path}", file=sys.stderr)
            return 1
    with open(exe, "rb") as a, open(scr, "rb") as b:
        if a.read() != b.read():
            problems.append(f"{os.path.basename(scr)} is not a copy of {os.path.basename(exe)}")
    for path, with_logo in ((exe, True), (nologo, False)):
        pe = pefile.PE(path)
        found = (header_problems(pe) + import_problems(pe) + version_problems(pe)
                 + manifest_problems(pe, manifest))
        if with_logo:
            found += bitmap_problems(pe, logo)
        elif IDB_LOGO in resources(pe, RT_BITMAP):
            found.append(f"carries bitmap {IDB_LOGO}")
        problems += [f"{os.path.basename(path)}: {p}" for p in found]
    for problem in problems:
        print(f"FAIL: {problem}", file=sys.stderr)
    if not problems:
        print("PE32 i386, GUI 6.0, imports, version record, manifest and bitmap 131 as expected")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
