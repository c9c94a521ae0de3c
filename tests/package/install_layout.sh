#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What `cmake --install` and the .deb put on a machine: the program with its siren
# in one folder and a link to it on the path, a menu entry, its icon and its
# AppStream description, each valid for the tools that read them.
set -euo pipefail
build=$1 source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "install layout: $*" >&2; failures=$((failures + 1)); }

app_id=example.zarq.Alerts
expected=$(sort <<EOF2
bin/alerts -> ../lib/alerts/alerts
lib/alerts/alerts
lib/alerts/alerts-sound.so
lib/alerts/Media/siren.wav
share/applications/$app_id.desktop
share/doc/alerts/LICENSE.LiberationSans
share/doc/alerts/copyright
share/icons/hicolor/256x256/apps/$app_id.png
share/icons/hicolor/32x32/apps/$app_id.png
share/metainfo/$app_id.metainfo.xml
EOF2
)

# 1. cmake --install, into a staging folder as a distribution would.
DESTDIR=$scratch/stage cmake --install "$build" --prefix /usr/local >/dev/null
prefix=$scratch/stage/usr/local
got=$(cd "$prefix" && find . \( -type f -o -type l \) -printf '%P\t%l\n' |
    awk -F'\t' '{ print $1 ($2 == "" ? "" : " -> " $2) }' | sort)
[[ $got == "$expected" ]] || fail "cmake --install laid out:"$'\n'"$got"$'\n'"expected:"$'\n'"$expected"
[[ $(readlink -f "$prefix/bin/alerts") == "$prefix/lib/alerts/alerts" ]] ||
    fail "bin/alerts does not lead to the program"
[[ -x $prefix/lib/alerts/alerts ]] || fail "the program is not executable"
cmp -s "$prefix/lib/alerts/Media/siren.wav" "$source/resources/Media/siren.wav" ||
    fail "the installed siren is not the project's"
grep -q "SIL Open Font License" "$prefix/share/doc/alerts/LICENSE.LiberationSans" ||
    fail "the carried font's license is not installed"

# 2. The desktop files, as the desktop's own tools read them.
desktop=$prefix/share/applications/$app_id.desktop
# Hints are printed but pass; errors and a missing validator fail.
desktop-file-validate "$desktop" >&2 || fail "the desktop entry is not valid"
entry() { sed -n "s/^$1=//p" "$desktop"; }
[[ $(entry Name) == Alert ]] || fail "desktop entry Name is '$(entry Name)'"
[[ $(entry Categories) == "Network;Game;" ]] || fail "desktop entry Categories is '$(entry Categories)'"
[[ -e $prefix/bin/$(entry Exec) ]] || fail "desktop entry Exec '$(entry Exec)' is not installed in bin/"
[[ $(entry Icon) == "$app_id" ]] || fail "desktop entry Icon is '$(entry Icon)'"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" >"$scratch/appstream.log" 2>&1 ||
    { cat "$scratch/appstream.log" >&2; fail "appstreamcli rejects the metainfo file"; }
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" \
    "$prefix/share/metainfo/$app_id.metainfo.xml" || fail "the metainfo file does not launch the desktop entry"

# 3. The icons: the 32 x 32 picture of at most 256 colours with transparency, and its 256 px size.
python3 - "$prefix/share/icons/hicolor" "$app_id" <<'PY' || fail "icons"
import struct, sys
theme, app_id = sys.argv[1:]
bad = False
for size in (32, 256):
    data = open(f"{theme}/{size}x{size}/apps/{app_id}.png", "rb").read()
    chunks, pos = {}, 8
    while pos < len(data):
        length, kind = struct.unpack_from(">I4s", data, pos)
        chunks.setdefault(kind, data[pos + 8:pos + 8 + length])
        pos += 12 + length
    width, height, depth, colour = struct.unpack_from(">IIBB", chunks[b"IHDR"])
    palette = len(chunks.get(b"PLTE", b"")) // 3
    if (width, height) != (size, size) or colour != 3 or not 0 < palette <= 256 or b"tRNS" not in chunks:
        print(f"icon {size}: {width}x{height}, colour type {colour}, {palette} colours, "
              f"transparency {b'tRNS' in chunks}", file=sys.stderr)
        bad = True
sys.exit(bad)
PY

# 4. The package holds the same files under /usr and names what it needs.
debs=("$build"/package/alerts_*.deb)
deb=${debs[0]}
[[ -f $deb ]] || { fail "no package in $build/package"; exit 1; }
got=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\/usr\//, "", $6); print $6 ($7 == "->" ? " -> " $8 : "") }' | sort)
[[ $got == "$expected" ]] || fail "the package holds:"$'\n'"$got"
[[ $(dpkg-deb -f "$deb" Package Version | tr '\n' ' ') == "Package: alerts Version: 1.00 " ]] ||
    fail "package name or version: $(dpkg-deb -f "$deb" Package Version | tr '\n' ' ')"
depends=$(dpkg-deb -f "$deb" Depends)
# The program uses Qt's private interface, so the package pins this machine's Qt
# release under the name its Qt symbols file gives it (qt6-base-abi on Debian 12,
# qt6-base-private-abi on 13).
private_abi=$(sed -n -E 's/^\| libqt6gui6[^,]*, *([a-z0-9.-]+ \(= [^)]+\)).*/\1/p' \
    /var/lib/dpkg/info/libqt6gui6*.symbols | head -n1)
[[ -n $private_abi ]] || fail "no private interface release in libqt6gui6's symbols file"
for needed in libqt6widgets6 libqt6multimedia6 libqt6network6 "$private_abi"; do
    [[ ", $depends, " == *", $needed"[\ ,]* ]] || fail "the package does not depend on $needed: $depends"
done
# The program carries its font.
[[ $depends != *fonts-* ]] || fail "the package still depends on a font package: $depends"
# The desktop's alert sound, where the siren cannot play: wanted, not required.
recommends=$(dpkg-deb -f "$deb" Recommends)
for wanted in libcanberra0 libcanberra-pulse sound-theme-freedesktop; do
    [[ ", $recommends, " == *", $wanted, "* ]] || fail "the package does not recommend $wanted: $recommends"
done

((failures == 0)) || exit 1
echo "install layout: as expected"
