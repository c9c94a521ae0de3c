#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Compiles the Windows resource script and reads back what Explorer's "Details"
# tab shows: the fixed version numbers, the US English string table and the icon.
set -euo pipefail
windres=$1 rc=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$(dirname "$rc")" && "$windres" --preprocessor=cpp -i "$(basename "$rc")" -O res -o "$out/alerts.res")
python3 - "$out/alerts.res" <<'PY'
import struct, sys

data = open(sys.argv[1], "rb").read()
resources = []  # (type, name, language, payload)
pos = 0
while pos + 8 <= len(data):
    size, header = struct.unpack_from("<II", data, pos)
    def ident(at):
        if struct.unpack_from("<H", data, at)[0] == 0xFFFF:
            return struct.unpack_from("<H", data, at + 2)[0], at + 4
        end = at
        while struct.unpack_from("<H", data, end)[0]:
            end += 2
        return data[at:end].decode("utf-16-le"), end + 2
    rtype, at = ident(pos + 8)
    name, at = ident(at)
    at = (at + 3) & ~3
    language = struct.unpack_from("<IHHII", data, at)[2]
    body = pos + header
    resources.append((rtype, name, language, data[body:body + size]))
    pos = (body + size + 3) & ~3

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16
failures = []
def expect(what, got, want):
    if got != want:
        failures.append(f"{what}: got {got!r}, want {want!r}")

versions = [r for r in resources if r[0] == RT_VERSION]
expect("version resources", len(versions), 1)
payload = versions[0][3] if versions else b""
fixed = payload.find(struct.pack("<I", 0xFEEF04BD))
ms, ls, pms, pls = struct.unpack_from("<4I", payload, fixed + 8)
expect("file version", (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF), (1, 0, 0, 0))
expect("product version", (pms >> 16, pms & 0xFFFF, pls >> 16, pls & 0xFFFF), (1, 0, 0, 0))

text = payload.decode("utf-16-le", errors="replace")
def value(key):
    start = text.find(key + "\0")
    if start < 0:
        return None
    start += len(key) + 1
    while text[start] == "\0":
        start += 1
    return text[start:text.index("\0", start)]
expect("string table", "040904B0" in text, True)
for key, want in [("ProductName", "Alert"), ("FileVersion", "1.00"), ("ProductVersion", "1.00"),
                  ("InternalName", "ZARQ Zuded Orazaviz 1.0"),
                  ("OriginalFilename", "ZARQ Zuded Orazaviz 1.0.exe")]:
    expect(key, value(key), want)
translation = payload.rfind("Translation\0".encode("utf-16-le"))
lang, codepage = struct.unpack_from("<HH", payload, (translation + 24 + 3) & ~3)
expect("language and code page", (hex(lang), codepage), (hex(0x409), 1200))

icons = [r for r in resources if r[0] == RT_ICON]
groups = [r for r in resources if r[0] == RT_GROUP_ICON]
expect("icon groups", len(groups), 1)
bmp32 = [r for r in icons if r[3][:4] != b"\x89PNG" and struct.unpack_from("<iiHH", r[3], 4) == (32, 64, 1, 8)]
expect("32x32 256-colour icon", len(bmp32), 1)

for failure in failures:
    print("windows resource:", failure, file=sys.stderr)
sys.exit(1 if failures else 0)
PY
echo "windows resource: version 1.0.0.0, strings and icon as expected"
