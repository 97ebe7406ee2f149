#!/usr/bin/env python3
"""Checks the hardening of a Windows executable by reading its PE headers.

The program must load at a random address (ASLR, with high entropy), refuse to run
data (DEP), import nothing but DLLs that every Windows has, and import no function
that the oldest Windows its manifest declares lacks: the loader refuses to start a
program over one missing entry point. Such functions are found at run time instead.
Prints what it found and exits non-zero on any miss.
"""
import re
import struct
import sys

# DLLs that ship with every supported Windows.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
    "comctl32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shlwapi.dll",
    "version.dll", "comdlg32.dll", "ntdll.dll",
}

# The Windows versions a manifest can declare (its supportedOS ids), oldest first.
WINDOWS_VISTA, WINDOWS_7, WINDOWS_8, WINDOWS_8_1, WINDOWS_10 = range(5)
WINDOWS_NAMES = ["Windows Vista", "Windows 7", "Windows 8", "Windows 8.1", "Windows 10"]
SUPPORTED_OS_IDS = {
    "e2011457-1546-43c5-a5fe-008deee3d3f0": WINDOWS_VISTA,
    "35138b9a-5d96-4fbd-8e2d-a2440225f93a": WINDOWS_7,
    "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38": WINDOWS_8,
    "1f676c76-80e1-4239-95bb-83d0f6d0da78": WINDOWS_8_1,
    "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a": WINDOWS_10,
}

# Functions that Windows 7 (as installed, without updates) lacks, with the version
# that brought them. A program that declares Windows 7 must find these at run time
# (platform/win32_dyn_calls.h) rather than import them.
NEWER_THAN_WINDOWS_7 = {
    # kernel32: the DLL search (Windows 7 has them only with update KB2533623).
    "SetDefaultDllDirectories": WINDOWS_8, "AddDllDirectory": WINDOWS_8, "RemoveDllDirectory": WINDOWS_8,
    # kernel32: others the compiler's runtime or a library may pull in.
    "GetSystemTimePreciseAsFileTime": WINDOWS_8, "CreateFile2": WINDOWS_8, "CopyFile2": WINDOWS_8,
    "GetCurrentThreadStackLimits": WINDOWS_8, "WaitOnAddress": WINDOWS_8, "WakeByAddressSingle": WINDOWS_8,
    "WakeByAddressAll": WINDOWS_8, "InitializeSynchronizationBarrier": WINDOWS_8,
    "EnterSynchronizationBarrier": WINDOWS_8, "DeleteSynchronizationBarrier": WINDOWS_8,
    "GetFirmwareType": WINDOWS_8, "LoadPackagedLibrary": WINDOWS_8, "GetCurrentPackageFullName": WINDOWS_8,
    "SetThreadDescription": WINDOWS_10, "GetThreadDescription": WINDOWS_10,
    # user32 and shcore: per-monitor DPI.
    "GetDpiForMonitor": WINDOWS_8_1, "SetProcessDpiAwareness": WINDOWS_8_1, "GetProcessDpiAwareness": WINDOWS_8_1,
    "EnableNonClientDpiScaling": WINDOWS_10, "GetDpiForWindow": WINDOWS_10, "GetDpiForSystem": WINDOWS_10,
    "AdjustWindowRectExForDpi": WINDOWS_10, "SystemParametersInfoForDpi": WINDOWS_10,
    "GetSystemMetricsForDpi": WINDOWS_10, "SetThreadDpiAwarenessContext": WINDOWS_10,
    "GetThreadDpiAwarenessContext": WINDOWS_10, "GetWindowDpiAwarenessContext": WINDOWS_10,
    "GetAwarenessFromDpiAwarenessContext": WINDOWS_10, "AreDpiAwarenessContextsEqual": WINDOWS_10,
    "SetProcessDpiAwarenessContext": WINDOWS_10,
    # user32: pointer input.
    "EnableMouseInPointer": WINDOWS_8, "GetPointerType": WINDOWS_8, "GetPointerInfo": WINDOWS_8,
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


def imported_functions(data, secs, lookup_rva):
    """Names of the functions one DLL's lookup table imports (by ordinal: "#n")."""
    names = []
    offset = rva_to_offset(secs, lookup_rva)
    while True:
        entry = struct.unpack_from("<Q", data, offset)[0]
        if not entry:
            return names
        if entry & (1 << 63):
            names.append("#%d" % (entry & 0xFFFF))
        else:
            names.append(c_string(data, rva_to_offset(secs, entry & 0x7FFFFFFF) + 2))
        offset += 8


def imports(data, secs, import_rva):
    """The imported DLLs, each with the functions taken from it."""
    dlls = []
    offset = rva_to_offset(secs, import_rva)
    while True:
        lookup, _, _, name_rva, thunk = struct.unpack_from("<IIIII", data, offset)
        if not (lookup or name_rva or thunk):
            return dlls
        dlls.append((c_string(data, rva_to_offset(secs, name_rva)), imported_functions(data, secs, lookup or thunk)))
        offset += 20


def resource(data, secs, resource_rva, type_id):
    """The bytes of the first resource of a type (first name, first language), or None."""
    if not resource_rva:
        return None
    base = rva_to_offset(secs, resource_rva)

    def first_entry(directory, wanted=None):
        named, numbered = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            if wanted is None or name == wanted:
                return target
        return None

    target = first_entry(0, type_id)
    for _ in range(2):  # the name level, then the language level
        if target is None or not target & 0x80000000:
            return None
        target = first_entry(target & 0x7FFFFFFF)
    if target is None:
        return None
    data_rva, size = struct.unpack_from("<II", data, base + target)
    start = rva_to_offset(secs, data_rva)
    return data[start:start + size]


def oldest_declared_windows(manifest):
    """The oldest Windows among the manifest's supportedOS entries, or None."""
    ids = re.findall(rb"supportedOS\s+Id\s*=\s*[\"']\{([0-9a-fA-F-]+)\}", manifest or b"")
    versions = [SUPPORTED_OS_IDS[i.decode().lower()] for i in ids if i.decode().lower() in SUPPORTED_OS_IDS]
    return min(versions) if versions else None


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
    resource_rva = struct.unpack_from("<I", data, opt + 112 + 2 * 8)[0]
    secs = list(sections(data, opt + opt_size, count))
    dlls = imports(data, secs, import_rva)
    print("imports:", ", ".join(dll for dll, _ in dlls))
    for dll, _ in dlls:
        if dll.lower() not in SYSTEM_DLLS:
            problems.append("imports %s, which not every Windows has" % dll)
    oldest = oldest_declared_windows(resource(data, secs, resource_rva, 24))  # RT_MANIFEST
    if oldest is None:
        problems.append("declares no Windows version (no manifest with supportedOS)")
    else:
        print("oldest Windows declared:", WINDOWS_NAMES[oldest])
        for dll, functions in dlls:
            for function in functions:
                since = NEWER_THAN_WINDOWS_7.get(function)
                if since is not None and since > oldest:
                    problems.append("imports %s from %s, which %s lacks (it came with %s)"
                                    % (function, dll, WINDOWS_NAMES[oldest], WINDOWS_NAMES[since]))
    print("size: %d bytes" % len(data))
    return problems


if __name__ == "__main__":
    found = check(sys.argv[1])
    for p in found:
        print("FAIL:", p)
    sys.exit(1 if found else 0)
