#!/usr/bin/env bash
# Makes the release of this tree: dist/CVInst-<version>.zip (CVInst.exe, README.md,
# docs/DEPLOYMENT.md), dist/CVInst-<version>-demo.zip (the four demo packages; both zips unpack
# into one folder CVInst-<version>), and dist/SHA256SUMS. The same commit gives the same bytes:
# every date inside is the commit's (SOURCE_DATE_EPOCH when set).
#
#   release.sh [--build DIR] [--out DIR]
#
# --build: a configured win32 build tree to use instead of build/release (the tests pass theirs);
# --out: instead of dist/. With CVINST_SIGN_PFX (a PKCS#12 file) and CVINST_SIGN_PASSWORD_FILE (a
# file holding its password), CVInst.exe and the packages get an Authenticode SHA-256 signature,
# timestamped by CVINST_TIMESTAMP_URL (an RFC 3161 server) when it is set.
set -euo pipefail
build= out=
while [ $# -gt 0 ]; do
    case $1 in
    --build) build=$(realpath -m "$2"); shift 2 ;;
    --out) out=$(realpath -m "$2"); shift 2 ;;
    *) echo "usage: release.sh [--build DIR] [--out DIR]" >&2; exit 2 ;;
    esac
done
cd "$(dirname "$0")/.."
root=$PWD
out=${out:-$root/dist}

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
fi
export SOURCE_DATE_EPOCH

if [ -z "$build" ]; then
    bash scripts/deps.sh
    . scripts/configure.sh
    configure release
    build=build/release
fi
cmake --build "$build" --parallel 2 --target CVInst demo_packages
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "release.sh: no project version in $build" >&2; exit 1; }

name=CVInst-$version
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
packages=(CVMenu.msi CVWork.msi CVPServ.msi CVExampl.msi)
cp "$build/bin/CVInst.exe" "$stage/"
for p in "${packages[@]}"; do cp "$build/demo/$p" "$stage/"; done
/usr/bin/python3 scripts/release-files.py msi "$SOURCE_DATE_EPOCH" "${packages[@]/#/$stage/}"

if [ -n "${CVINST_SIGN_PFX:-}" ]; then
    [ -r "$CVINST_SIGN_PFX" ] && [ -r "${CVINST_SIGN_PASSWORD_FILE:-}" ] || {
        echo "release.sh: CVINST_SIGN_PFX needs a readable CVINST_SIGN_PASSWORD_FILE" >&2
        exit 1
    }
    timestamp=()
    if [ -n "${CVINST_TIMESTAMP_URL:-}" ]; then timestamp=(-ts "$CVINST_TIMESTAMP_URL"); fi
    for f in CVInst.exe "${packages[@]}"; do
        # The password is read from its file by osslsigncode itself: it is never an argument.
        osslsigncode sign -pkcs12 "$CVINST_SIGN_PFX" -readpass "$CVINST_SIGN_PASSWORD_FILE" \
            -h sha256 -n "Corvane Installer $version" "${timestamp[@]}" \
            -in "$stage/$f" -out "$stage/$f.signed" >/dev/null
        mv "$stage/$f.signed" "$stage/$f"
    done
    echo "Signed with $(basename "$CVINST_SIGN_PFX")${timestamp[*]:+, timestamped by $CVINST_TIMESTAMP_URL}"
else
    echo "No CVINST_SIGN_PFX: the release is unsigned"
fi

mkdir -p "$out"
rm -f "$out/$name.zip" "$out/$name-demo.zip" "$out/SHA256SUMS"
/usr/bin/python3 scripts/release-files.py zip "$SOURCE_DATE_EPOCH" "$out/$name.zip" \
    "$name/CVInst.exe=$stage/CVInst.exe" "$name/README.md=README.md" \
    "$name/docs/DEPLOYMENT.md=docs/DEPLOYMENT.md"
demo=()
for p in "${packages[@]}"; do demo+=("$name/$p=$stage/$p"); done
/usr/bin/python3 scripts/release-files.py zip "$SOURCE_DATE_EPOCH" "$out/$name-demo.zip" "${demo[@]}"
(cd "$out" && sha256sum "$name.zip" "$name-demo.zip" > SHA256SUMS)
echo "Release $version in $out:"
(cd "$out" && cat SHA256SUMS)
