#!/usr/bin/env python3
"""Checks the resources of a Windows executable: the embedded application
manifest and the version information, read straight from the .rsrc section.
Usage: product_resources.py <exe> <manifest architecture>. Exit status 1 and
one line per fault when something differs."""
import struct
import sys
import xml.etree.ElementTree as ET

RT_VERSION = 16
RT_MANIFEST = 24

EXPECTED_STRINGS = {
    "FileVersion": "1.0.0.4",
    "ProductVersion": "1.0.0.4",
    "FileDescription": "切换Windows环境变量中PHP的版本切换",
    "ProductName": "Velmora-PHPWindows环境切换",
    "CompanyName": "Dravik",
    "Comments": "切换Windows环境变量中PHP的版本切换",
}


def resources(data):
    """{(type, name, language): bytes} of every resource in the file."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections_count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva, _ = struct.unpack_from("<II", data, directories + 2 * 8)
    sections = []
    for i in range(sections_count):
        entry = optional + optional_size + 40 * i
        size, rva, raw_size, raw = struct.unpack_from("<IIII", data, entry + 8)
        sections.append((rva, max(size, raw_size), raw))

    def offset(rva):
        for start, size, raw in sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("RVA %#x outside every section" % rva)

    found = {}
    if rsrc_rva == 0:
        return found
    base = offset(rsrc_rva)

    def walk(directory, path):
        named, ids = struct.unpack_from("<12xHH", data, base + directory)
        for i in range(named + ids):
            key, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            if key & 0x80000000:
                length = struct.unpack_from("<H", data, base + (key & 0x7FFFFFFF))[0]
                start = base + (key & 0x7FFFFFFF) + 2
                key = data[start:start + 2 * length].decode("utf-16-le")
            if target & 0x80000000:
                walk(target & 0x7FFFFFFF, path + [key])
            else:
                rva, size = struct.unpack_from("<II", data, base + target)
                found[tuple(path + [key])] = data[offset(rva):offset(rva) + size]

    walk(0, [])
    return found


def align4(n):
    return (n + 3) & ~3


def version_node(buf, at):
    """(key, type, value bytes, children) of the version block at `at`."""
    length, value_length, value_type = struct.unpack_from("<HHH", buf, at)
    end = at + 6
    while buf[end:end + 2] != b"\0\0":
        end += 2
    key = buf[at + 6:end].decode("utf-16-le")
    pos = align4(end + 2)
    size = value_length * 2 if value_type == 1 else value_length
    value = buf[pos:pos + size]
    pos = align4(pos + size)
    children = []
    while pos < at + length:
        child_length = struct.unpack_from("<H", buf, pos)[0]
        if child_length == 0:
            break
        children.append(version_node(buf, pos))
        pos = align4(pos + child_length)
    return key, value_type, value, children


def check_version(block, faults):
    key, _, fixed, children = version_node(block, 0)
    if key != "VS_VERSION_INFO":
        faults.append("version: root block is %r" % key)
    (signature, _, file_ms, file_ls, product_ms, product_ls, _, flags, os_, type_,
     _, _, _) = struct.unpack_from("<13I", fixed)
    if signature != 0xFEEF04BD:
        faults.append("version: no VS_FIXEDFILEINFO")
    if (file_ms, file_ls) != (0x00010000, 0x00000004):
        faults.append("version: FILEVERSION is %#x.%#x, not 1,0,0,4" % (file_ms, file_ls))
    if (product_ms, product_ls) != (0x00010000, 0x00000004):
        faults.append("version: PRODUCTVERSION is %#x.%#x, not 1,0,0,4" % (product_ms, product_ls))
    if flags != 0:
        faults.append("version: FILEFLAGS %#x, not 0" % flags)
    if os_ != 0x4:
        faults.append("version: FILEOS %#x, not VOS__WINDOWS32" % os_)
    if type_ != 0x1:
        faults.append("version: FILETYPE %#x, not VFT_APP" % type_)

    blocks = {child[0]: child for child in children}
    if sorted(blocks) != ["StringFileInfo", "VarFileInfo"]:
        faults.append("version: blocks %s" % sorted(blocks))
    tables = blocks.get("StringFileInfo", ("", 0, b"", []))[3]
    if [table[0] for table in tables] != ["080404b0"]:
        faults.append("version: string tables %s, not ['080404b0']" % [t[0] for t in tables])
    else:
        strings = {entry[0]: entry[2].decode("utf-16-le").rstrip("\0") for entry in tables[0][3]}
        for name in sorted(set(strings) | set(EXPECTED_STRINGS)):
            if strings.get(name) != EXPECTED_STRINGS.get(name):
                faults.append("version: %s is %r, expected %r"
                              % (name, strings.get(name), EXPECTED_STRINGS.get(name)))
    variables = blocks.get("VarFileInfo", ("", 0, b"", []))[3]
    translations = [struct.unpack("<HH", v[2]) for v in variables if v[0] == "Translation"]
    if translations != [(0x0804, 1200)]:
        faults.append("version: Translation %s, not [(0x0804, 1200)]" % translations)


def local(tag):
    return tag.rsplit("}", 1)[-1]


def child(element, name):
    for item in element:
        if local(item.tag) == name:
            return item
    return None


def expect_attributes(element, where, expected, faults):
    if element is None:
        faults.append("manifest: no %s" % where)
        return
    for name, value in expected.items():
        if element.get(name) != value:
            faults.append("manifest: %s %s is %r, expected %r" % (where, name, element.get(name), value))


def check_manifest(text, architecture, faults):
    try:
        root = ET.fromstring(text)
    except ET.ParseError as error:
        faults.append("manifest: not well-formed XML (%s)" % error)
        return
    if root.tag != "{urn:schemas-microsoft-com:asm.v1}assembly" or root.get("manifestVersion") != "1.0":
        faults.append("manifest: root is %s" % root.tag)
    expect_attributes(child(root, "assemblyIdentity"), "assemblyIdentity", {
        "type": "win32", "name": "Velmora-PHPWindows环境切换", "version": "1.0.0.3",
        "processorArchitecture": architecture}, faults)
    description = child(root, "description")
    if description is None or description.text != " 切换Windows环境变量中PHP的版本切换 ":
        faults.append("manifest: description is %r"
                      % (None if description is None else description.text))
    dependency = child(root, "dependency")
    dependent = None if dependency is None else child(dependency, "dependentAssembly")
    expect_attributes(None if dependent is None else child(dependent, "assemblyIdentity"),
                      "Common-Controls dependency", {
                          "type": "win32", "name": "Microsoft.Windows.Common-Controls",
                          "version": "6.0.0.0", "processorArchitecture": "*",
                          "publicKeyToken": "6595b64144ccf1df", "language": "*"}, faults)
    level = root
    for name in ("trustInfo", "security", "requestedPrivileges", "requestedExecutionLevel"):
        level = None if level is None else child(level, name)
    expect_attributes(level, "requestedExecutionLevel",
                      {"level": "requireAdministrator", "uiAccess": "false"}, faults)


def main():
    exe, architecture = sys.argv[1], sys.argv[2]
    try:
        with open(exe, "rb") as f:
            found = resources(f.read())
    except (OSError, ValueError, struct.error) as error:
        print("FAIL: cannot read the resources of %s: %s" % (exe, error))
        return 1
    faults = []
    manifests = [data for key, data in found.items() if key[0] == RT_MANIFEST and key[1] == 1]
    if len(manifests) != 1:
        faults.append("manifest: %d RT_MANIFEST resources with id 1" % len(manifests))
    else:
        check_manifest(manifests[0].decode("utf-8-sig"), architecture, faults)
    versions = [data for key, data in found.items() if key[0] == RT_VERSION]
    if len(versions) != 1:
        faults.append("version: %d version resources" % len(versions))
    else:
        check_version(versions[0], faults)
    for fault in faults:
        print("FAIL: " + fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
