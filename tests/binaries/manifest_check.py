#!/usr/bin/env python3
"""Checks the application manifest of the shipped programs.

    manifest_check.py LEVEL PROGRAM...

Reads resource type 24 (RT_MANIFEST), id 1, from each PE file's resource
section and requires: the common controls 6 dependency, a supportedOS entry
for Windows Vista, 7, 8, 8.1 and 10/11, dpiAware true (2005 settings),
dpiAwareness PerMonitorV2 (2016 settings), requestedExecutionLevel LEVEL, and
trustInfo outside the asm.v1 namespace (Windows XP refuses it there). Prints a
line for each fault and exits 1 if there is any.
"""

import re
import struct
import sys
import xml.etree.ElementTree as ElementTree

RT_MANIFEST = 24
ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
COMPATIBILITY = "urn:schemas-microsoft-com:compatibility.v1"
SETTINGS_2005 = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"
SETTINGS_2016 = "http://schemas.microsoft.com/SMI/2016/WindowsSettings"
SUPPORTED_OS = {
    "Windows Vista": "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
    "Windows 7": "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "Windows 8": "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
    "Windows 8.1": "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    "Windows 10 and 11": "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
}


class PeFile:
    """Just enough of a PE file to find one resource's bytes."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not a PE file")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            size, rva, raw_size, raw = struct.unpack_from("<8xIIII", data, table + 40 * i)
            self.sections.append((rva, max(size, raw_size), raw))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("address outside every section")

    def entries(self, directory):
        """(id or None for a named entry, offset in the resource section, is a directory)."""
        base = self.offset(self.resource_rva)
        named, numbered = struct.unpack_from("<12xHH", self.data, base + directory)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
            key = None if name & 0x80000000 else name
            yield key, target & 0x7FFFFFFF, bool(target & 0x80000000)

    def resource(self, type_id, resource_id):
        if self.resource_rva == 0:
            return None
        for key, types, _ in self.entries(0):
            if key != type_id:
                continue
            for number, languages, _ in self.entries(types):
                if number != resource_id:
                    continue
                for _, entry, is_directory in self.entries(languages):
                    if is_directory:
                        continue
                    base = self.offset(self.resource_rva)
                    rva, size = struct.unpack_from("<II", self.data, base + entry)
                    start = self.offset(rva)
                    return self.data[start:start + size]
        return None


def faults(path, level):
    try:
        with open(path, "rb") as file:
            manifest = PeFile(file.read()).resource(RT_MANIFEST, 1)
    except (OSError, ValueError, struct.error) as error:
        return [f"{path}: {error}"]
    if manifest is None:
        return [f"{path} has no manifest (resource type 24, id 1)"]
    try:
        root = ElementTree.fromstring(manifest)
    except ElementTree.ParseError as error:
        return [f"{path}: the manifest is not well-formed XML: {error}"]
    found = []

    def check(condition, text):
        if not condition:
            found.append(f"{path}: {text}")

    controls = [
        identity
        for identity in root.iter(f"{{{ASM_V1}}}assemblyIdentity")
        if identity.get("name") == "Microsoft.Windows.Common-Controls"
    ]
    check(any(i.get("version", "").startswith("6.") for i in controls),
          "no dependency on common controls 6")
    os_ids = {e.get("Id", "").lower() for e in root.iter(f"{{{COMPATIBILITY}}}supportedOS")}
    for name, os_id in SUPPORTED_OS.items():
        check(os_id in os_ids, f"no supportedOS entry for {name}")
    aware = [(e.text or "").strip().lower() for e in root.iter(f"{{{SETTINGS_2005}}}dpiAware")]
    check("true" in aware, "no dpiAware true in the 2005 settings namespace")
    awareness = [
        [v.strip().lower() for v in (e.text or "").split(",")]
        for e in root.iter(f"{{{SETTINGS_2016}}}dpiAwareness")
    ]
    check(any(values and values[0] == "permonitorv2" for values in awareness),
          "no dpiAwareness PerMonitorV2 in the 2016 settings namespace")
    levels = [e.get("level") for e in root.iter() if e.tag.endswith("}requestedExecutionLevel")]
    check(levels == [level], f"requestedExecutionLevel is {levels}, not [{level!r}]")
    trust = [e.tag for e in root.iter() if e.tag.endswith("}trustInfo")]
    check(len(trust) == 1, "no single trustInfo element")
    check(all(not tag.startswith(f"{{{ASM_V1}}}") for tag in trust),
          "trustInfo is in the asm.v1 namespace, which Windows XP refuses")
    start_tags = re.findall(rb"<(?:\w+:)?trustInfo\b[^>]*>", manifest)
    check(all(len(re.findall(rb"\bxmlns(?::\w+)?=", tag)) == 1 for tag in start_tags),
          "trustInfo declares its namespace more than once (XP SP2's loader stops on it)")
    return found


def main():
    if len(sys.argv) < 3:
        print(f"usage: {sys.argv[0]} LEVEL PROGRAM...", file=sys.stderr)
        return 2
    found = [fault for path in sys.argv[2:] for fault in faults(path, sys.argv[1])]
    for fault in found:
        print(f"FAIL: {fault}", file=sys.stderr)
    if not found:
        print(f"manifests of {len(sys.argv) - 2} programs checked")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
