#!/usr/bin/env python3
"""Checks the hardening of a Windows executable by reading its PE headers.

The program must load at a random address (ASLR, with high entropy), refuse to run
data (DEP), and import nothing but DLLs that every Windows has. Prints what it found
and exits non-zero on any miss.
"""
import struct
import sys

# DLLs that ship with every supported Windows.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
    "comctl32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shlwapi.dll",
    "version.dll", "comdlg32.dll", "ntdll.dll",
}
HIGH_ENTROPY_VA = 0x0020
DYNAMIC_BASE = 0x0040
NX_COMPAT = 0x0100


def sections(data, offset, count):
    for i in range(count):
        name, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", data, offset + 40 * i)
        yield vaddr, max(vsize, rawsize), rawptr


def rva_to_offset(secs, rva):
    for vaddr, size, rawptr in secs:
        if vaddr <= rva < vaddr + size:
            return rva - vaddr + rawptr
    raise ValueError("RVA %#x outside every section" % rva)


def c_string(data, offset):
    end = data.index(b"\0", offset)
    return data[offset:end].decode("ascii")


def imports(data, secs, import_rva):
    names = []
    offset = rva_to_offset(secs, import_rva)
    while True:
        lookup, _, _, name_rva, thunk = struct.unpack_from("<IIIII", data, offset)
        if not (lookup or name_rva or thunk):
            return names
        names.append(c_string(data, rva_to_offset(secs, name_rva)))
        offset += 20


def check(path):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return ["not a PE file"]
    count, opt_size = struct.unpack_from("<H12xH", data, pe + 6)
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    problems = []
    if magic != 0x20B:
        problems.append("not a 64-bit image (magic %#x)" % magic)
    flags = struct.unpack_from("<H", data, opt + 70)[0]
    for bit, name in ((DYNAMIC_BASE, "ASLR (dynamic base)"), (HIGH_ENTROPY_VA, "high-entropy ASLR"),
                      (NX_COMPAT, "DEP (NX compatible)")):
        print("%-22s %s" % (name, "yes" if flags & bit else "NO"))
        if not flags & bit:
            problems.append("missing " + name)
    # The base relocations must be there for the loader to move the image.
    reloc_rva, reloc_size = struct.unpack_from("<II", data, opt + 112 + 5 * 8)
    if not reloc_size:
        problems.append("no relocations: the image cannot be moved")
    import_rva = struct.unpack_from("<I", data, opt + 112 + 8)[0]
    secs = list(sections(data, opt + opt_size, count))
    dlls = imports(data, secs, import_rva)
    print("imports:", ", ".join(dlls))
    for dll in dlls:
        if dll.lower() not in SYSTEM_DLLS:
            problems.append("imports %s, which not every Windows has" % dll)
    print("size: %d bytes" % len(data))
    return problems


if __name__ == "__main__":
    found = check(sys.argv[1])
    for p in found:
        print("FAIL:", p)
    sys.exit(1 if found else 0)
