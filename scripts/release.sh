#!/usr/bin/env bash
# Makes the release of this tree in dist/: CVInst-<version>.zip (the x86 CVInst.exe, README.md,
# docs/DEPLOYMENT.md), CVInst-<version>-x64.zip (the same with the x64 CVInst.exe; both unpack into
# one folder CVInst-<version>, so a deployment script changes nothing but the zip it unpacks),
# CVInst-<version>-demo.zip (the four demo packages, into the same folder) and SHA256SUMS. The same
# commit gives the same bytes: every date inside is the commit's (SOURCE_DATE_EPOCH when set).
#
#   release.sh [--build DIR]... [--out DIR]
#
# --build: configured build trees to use instead of build/release and build/release64 (the tests
# pass theirs); each gives the zip of its architecture, and the first one the demo packages.
# --out: instead of dist/. With CVINST_SIGN_PFX (a PKCS#12 file) and CVINST_SIGN_PASSWORD_FILE (a
# file holding its password), CVInst.exe and the packages get an Authenticode SHA-256 signature,
# timestamped by CVINST_TIMESTAMP_URL (an RFC 3161 server) when it is set.
set -euo pipefail
builds=() out=
while [ $# -gt 0 ]; do
    case $1 in
    --build) builds+=("$(realpath -m "$2")"); shift 2 ;;
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

if [ ${#builds[@]} -eq 0 ]; then
    bash scripts/deps.sh
    . scripts/configure.sh
    configure release
    configure release64
    builds=("$root/build/release" "$root/build/release64")
fi
version=
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# Each build's zip suffix: none for x86 (the name every release has had), -x64 for x64.
suffixes=()
for build in "${builds[@]}"; do
    cmake --build "$build" --parallel 2 --target CVInst demo_packages
    v=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
    [ -n "$v" ] || { echo "release.sh: no project version in $build" >&2; exit 1; }
    [ -z "$version" ] || [ "$v" = "$version" ] || { echo "release.sh: $build is version $v, not $version" >&2; exit 1; }
    version=$v
    case $(sed -n 's/^CVINST_ARCH:INTERNAL=//p' "$build/CMakeCache.txt") in
    x64) suffix=-x64 ;;
    x86) suffix= ;;
    *) echo "release.sh: $build is no Windows build tree" >&2; exit 1 ;;
    esac
    [ ! -d "$stage/exe$suffix" ] || { echo "release.sh: two builds of one architecture" >&2; exit 1; }
    suffixes+=("$suffix")
    mkdir -p "$stage/exe$suffix"
    cp "$build/bin/CVInst.exe" "$stage/exe$suffix/"
done
name=CVInst-$version
packages=(CVMenu.msi CVWork.msi CVPServ.msi CVExampl.msi)
for p in "${packages[@]}"; do cp "${builds[0]}/demo/$p" "$stage/"; done
/usr/bin/python3 scripts/release-files.py msi "$SOURCE_DATE_EPOCH" "${packages[@]/#/$stage/}"
exes=("${suffixes[@]/#/exe}")
exes=("${exes[@]/%//CVInst.exe}")

if [ -n "${CVINST_SIGN_PFX:-}" ]; then
    [ -r "$CVINST_SIGN_PFX" ] && [ -r "${CVINST_SIGN_PASSWORD_FILE:-}" ] || {
        echo "release.sh: CVINST_SIGN_PFX needs a readable CVINST_SIGN_PASSWORD_FILE" >&2
        exit 1
    }
    timestamp=()
    if [ -n "${CVINST_TIMESTAMP_URL:-}" ]; then timestamp=(-ts "$CVINST_TIMESTAMP_URL"); fi
    for f in "${exes[@]}" "${packages[@]}"; do
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
rm -f "$out/$name.zip" "$out/$name-x64.zip" "$out/$name-demo.zip" "$out/SHA256SUMS"
zips=()
for s in "${suffixes[@]}"; do
    /usr/bin/python3 scripts/release-files.py zip "$SOURCE_DATE_EPOCH" "$out/$name$s.zip" \
        "$name/CVInst.exe=$stage/exe$s/CVInst.exe" "$name/README.md=README.md" \
        "$name/docs/DEPLOYMENT.md=docs/DEPLOYMENT.md"
    zips+=("$name$s.zip")
done
demo=()
for p in "${packages[@]}"; do demo+=("$name/$p=$stage/$p"); done
/usr/bin/python3 scripts/release-files.py zip "$SOURCE_DATE_EPOCH" "$out/$name-demo.zip" "${demo[@]}"
(cd "$out" && sha256sum "${zips[@]}" "$name-demo.zip" > SHA256SUMS)
echo "Release $version in $out:"
(cd "$out" && cat SHA256SUMS)
