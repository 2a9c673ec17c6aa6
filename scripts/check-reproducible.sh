#!/usr/bin/env bash
# Builds the release of this tree twice, from two copies at different paths, one after the other
# (so at different times, with other file times), under another time zone and umask, and checks
# that both give the same bytes. Exit status 0 when they do.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export SOURCE_DATE_EPOCH

build_copy() {
    local copy=$1
    mkdir -p "$copy"
    # What test.sh would test: the working tree's files, committed or not, without build output.
    git ls-files -z --cached --others --exclude-standard |
        tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$copy" --touch
    if ! bash "$copy/scripts/release.sh" >"$copy.log" 2>&1; then
        cat "$copy.log" >&2
        echo "check-reproducible.sh: the release in $copy failed" >&2
        exit 1
    fi
}

build_copy "$work/first"
(umask 077 && TZ=Pacific/Kiritimati build_copy "$work/a/second/copy/at/another/depth")
second="$work/a/second/copy/at/another/depth"

status=0
for f in "$work/first/dist"/*; do
    if ! cmp -s "$f" "$second/dist/$(basename "$f")"; then
        echo "check-reproducible.sh: $(basename "$f") differs between the two builds" >&2
        status=1
    fi
done
if [ $status -eq 0 ]; then
    echo "Reproducible: the two builds gave the same bytes"
    (cd "$work/first/dist" && cat SHA256SUMS)
else
    # Which files inside differ, to know where to look.
    /usr/bin/python3 - "$work/first/dist" "$second/dist" <<'EOF' >&2
import sys, zipfile, pathlib
a, b = map(pathlib.Path, sys.argv[1:])
for z in sorted(a.glob("*.zip")):
    x, y = zipfile.ZipFile(z), zipfile.ZipFile(b / z.name)
    for info in x.infolist():
        other = y.getinfo(info.filename)
        if (info.CRC, info.date_time, info.external_attr) != (other.CRC, other.date_time, other.external_attr):
            print("  differs:", z.name, info.filename)
EOF
fi
exit $status
