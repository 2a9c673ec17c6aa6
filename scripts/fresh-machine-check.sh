#!/usr/bin/env bash
# Runs the README's two commands on a fresh Debian 12, to prove that they need nothing this machine
# happens to have: a new bookworm chroot (debootstrap's minbase: no locale but C, C.utf8 and POSIX,
# none of the project's packages), a clone of the repository at one commit, then, inside it, as
# root with CI=true and no DISPLAY, `bash scripts/run.sh` (CVInst must show its window on Xvfb and
# leave a screenshot) and `bash scripts/test.sh` (every test must pass). Between the two,
# scripts/deps.sh must find nothing left to do.
#
# Usage, as root on Debian 12:
#   scripts/fresh-machine-check.sh [--keep] [--refresh-base] [--lang LOCALE] [COMMIT]
#   COMMIT          the commit to check (default: HEAD of the checkout this script is in)
#   --keep          leave the chroot on disk after the run (unmounted), to look into it
#   --refresh-base  debootstrap the base system again instead of unpacking the cached one
#   --lang LOCALE   run both commands with LANG=LOCALE, as a login from a machine in that locale
#                   would (the default is no locale variable at all)
# CVINST_I386_PROBE=/bin/false in the environment: the chroot's scripts act as on a kernel that runs
# no 32-bit Linux program (no i386 architecture, no wine32, the i686 build's Wine tests skipped).
#
# Kept between runs in $CVINST_FRESH_CACHE (default /var/cache/cvinst-fresh), never in the repository:
#   bookworm-minbase.tar.gz  the untouched debootstrap result, unpacked afresh for every run
#   apt-archives/            the .deb files apt downloaded, lent to the next chroot's apt so that it
#                            need not download them again (what gets installed does not change)
#   logs/<time>-<commit>/    both commands' output and CVInst's screenshot
# The chroot itself is new every time and removed at the end.
#
# Exit status: 0 both commands passed; 1 one of them failed; 2 the check itself could not run.
set -euo pipefail

suite=bookworm
mirror=http://deb.debian.org/debian
cache=${CVINST_FRESH_CACHE:-/var/cache/cvinst-fresh}
here=$(cd "$(dirname "$0")" && pwd)

keep='' refresh='' commit=HEAD
caller_env=()
# A kernel that runs no 32-bit programs, as this one may not be: the chroot's scripts are told so.
if [ -n "${CVINST_I386_PROBE:-}" ]; then caller_env+=("CVINST_I386_PROBE=$CVINST_I386_PROBE"); fi
while [ $# -gt 0 ]; do
    case $1 in
        --keep) keep=1 ;;
        --refresh-base) refresh=1 ;;
        --lang) [ $# -ge 2 ] || { echo "--lang needs a locale" >&2; exit 2; }; caller_env+=("LANG=$2"); shift ;;
        -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        -*) echo "unknown option $1 (see --help)" >&2; exit 2 ;;
        *) commit=$1 ;;
    esac
    shift
done

hms() { date -u -d "@$1" +%H:%M:%S; }
say() { printf '\n=== %s\n' "$*"; }
die() { echo "fresh-machine-check: $*" >&2; exit 2; }

[ "$(id -u)" -eq 0 ] || die "run it as root: it makes a chroot and mounts file systems"
repo=$(git -C "$here/.." rev-parse --show-toplevel) || die "not inside a git checkout"
sha=$(git -C "$repo" rev-parse --verify --quiet "$commit^{commit}") || die "no commit $commit in $repo"
short=${sha:0:10}

mkdir -p "$cache/apt-archives" "$cache/logs"
# One check at a time: the runs share the package cache, and each is a heavy build.
exec 8>"$cache/lock"
flock -n 8 || die "another fresh-machine check is running (lock $cache/lock)"

logs="$cache/logs/$(date +%Y%m%d-%H%M%S)-$short"
mkdir -p "$logs"
root=

# The mount points under a folder, deepest first (mountinfo's fifth field; our paths have no blanks).
mounts_under() {
    awk -v r="$1" '$5 == r || index($5, r "/") == 1 { print $5 }' /proc/self/mountinfo | sort -r
}

any_alive() {
    local p
    for p; do kill -0 "$p" 2>/dev/null && return 0; done
    return 1
}

# Ends what still runs inside the chroot (an Xvfb, a wineserver), then unmounts everything in it.
release() {
    local dir=$1 pids p link m
    pids=()
    for p in /proc/[0-9]*; do
        link=$(readlink "$p/root" 2>/dev/null) || continue
        if [ "$link" = "$dir" ] || [ "${link#"$dir"/}" != "$link" ]; then pids+=("${p#/proc/}"); fi
    done
    if [ ${#pids[@]} -gt 0 ]; then
        echo "ending ${#pids[@]} process(es) left in the chroot: ${pids[*]}"
        kill -TERM "${pids[@]}" 2>/dev/null || true
        for _ in $(seq 1 50); do
            any_alive "${pids[@]}" || break
            sleep 0.1
        done
        kill -KILL "${pids[@]}" 2>/dev/null || true
        sleep 0.5
    fi
    for m in $(mounts_under "$dir"); do
        umount "$m" 2>/dev/null || umount -l "$m" || echo "could not unmount $m" >&2
    done
    [ -z "$(mounts_under "$dir")" ]
}

cleanup() {
    local status=$?
    trap - EXIT INT TERM
    if [ -n "$root" ] && [ -d "$root" ]; then
        if ! release "$root"; then
            echo "fresh-machine-check: mounts remain under $root; it is left in place" >&2
            mounts_under "$root" >&2
            status=2
        elif [ -n "$keep" ]; then
            echo "chroot kept (unmounted) in $root"
        else
            # --one-file-system: never descend into anything still mounted there.
            rm -rf --one-file-system "$root"
        fi
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 2' INT TERM

say "fresh Debian 12 check of $short ($(git -C "$repo" log -1 --format=%s "$sha"))"
echo "logs: $logs"
[ ${#caller_env[@]} -eq 0 ] || echo "caller's environment: ${caller_env[*]}"
if [ "$commit" = HEAD ] && [ -n "$(git -C "$repo" status --porcelain --untracked-files=no)" ]; then
    echo "note: the checkout has uncommitted changes; only the commit is checked"
fi
started=$SECONDS

# The base system: debootstrap once, then unpack the same untouched tree for every run.
base="$cache/$suite-minbase.tar.gz"
if [ -n "$refresh" ] || [ ! -s "$base" ]; then
    if ! command -v debootstrap >/dev/null; then
        say "installing debootstrap"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
    fi
    say "debootstrap --variant=minbase $suite from $mirror"
    root=$(mktemp -d "$cache/base.XXXXXX")
    chmod 755 "$root"
    debootstrap --variant=minbase "$suite" "$root" "$mirror" >"$logs/debootstrap.log" 2>&1 \
        || { tail -n 20 "$logs/debootstrap.log" >&2; die "debootstrap failed (log $logs/debootstrap.log)"; }
    release "$root" || die "debootstrap left mounts under $root"
    # Its own download cache is left out: the chroots get theirs from apt-archives/.
    rm -f "$root"/var/cache/apt/archives/*.deb
    tar --numeric-owner --one-file-system -C "$root" -czf "$base.new" .
    mv "$base.new" "$base"
    rm -rf --one-file-system "$root"
    root=
fi
echo "base: $base, made $(date -r "$base" '+%Y-%m-%d %H:%M')"

say "unpacking a fresh chroot"
root=$(mktemp -d "$cache/chroot.XXXXXX")
tar --numeric-owner -C "$root" -xzf "$base"
chmod 755 "$root"

# What a newly installed Debian 12 has around the base system: the usual package sources (updates
# and security fixes included) and the network's name servers.
rm -f "$root/etc/apt/sources.list"
cat > "$root/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $mirror
Suites: $suite $suite-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: ${mirror%/debian}/debian-security
Suites: $suite-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# No init runs in a chroot: a service that a package starts would outlive the run and hold its
# mounts. This is what debootstrap'd build chroots and container images do too.
printf '#!/bin/sh\nexit 101\n' > "$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"

mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs -o mode=1777,nosuid,nodev tmpfs "$root/dev/shm"
# A /tmp of its own: no Wine server, lock or temporary file of this machine is seen in there.
mount -t tmpfs -o mode=1777,nosuid,nodev tmpfs "$root/tmp"
# Except the X sockets: every X server on this machine answers machine-wide on the abstract socket
# of its number anyway, and with the folder shared, the scripts on either side see the other's
# displays as taken instead of starting a second server on the same number.
for d in /tmp/.X11-unix "$root/tmp/.X11-unix"; do [ -d "$d" ] || mkdir -m 1777 "$d"; done
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
mount --bind "$cache/apt-archives" "$root/var/cache/apt/archives"

say "cloning $short into /root/CVInst"
git clone --quiet --no-checkout "$repo" "$root/root/CVInst"
git -C "$root/root/CVInst" checkout --quiet --detach "$sha"
git -C "$root/root/CVInst" log -1 --format='%h %s'

in_chroot() {
    chroot "$root" /usr/bin/env -i HOME=/root USER=root LOGNAME=root SHELL=/bin/bash \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin TERM="${TERM:-dumb}" CI=true \
        "${caller_env[@]}" /bin/bash -c "cd /root/CVInst && $1" </dev/null
}

say "locale -a in the chroot"
locales=$(in_chroot "locale -a")
echo "$locales"
[ "$(echo "$locales" | tr '\n' ' ')" = "C C.utf8 POSIX " ] \
    || die "the chroot is not a fresh system: locale -a should list only C, C.utf8 and POSIX"

# Runs one command in the chroot; its output goes to the terminal and to logs/NAME.log.
declare -A took status
step() {
    local name=$1 command=$2 t0=$SECONDS
    say "$command (in the chroot)"
    # In the background, so that a TERM sent to this script is acted on at once: the shell holds
    # a trap back until a foreground command ends, and this one may run for many minutes.
    (
        in_chroot "$command" 2>&1 | tee "$logs/$name.log"
        exit "${PIPESTATUS[0]}"
    ) &
    status[$name]=0
    wait $! || status[$name]=$?
    took[$name]=$((SECONDS - t0))
    echo "--- $command: exit status ${status[$name]}, $(hms "${took[$name]}")"
}

step run "bash scripts/run.sh"
shot="$root/root/CVInst/build/run/cvinst-screenshot.png"
shot_note="no screenshot"
if [ -s "$shot" ]; then
    cp "$shot" "$logs/"
    shot_note="screenshot $(in_chroot "identify -format '%wx%h' build/run/cvinst-screenshot.png" 2>/dev/null || echo '?'), $(stat -c %s "$shot") bytes"
elif [ "${status[run]}" -eq 0 ]; then
    status[run]=1
fi

step deps "bash scripts/deps.sh"
if [ -s "$logs/deps.log" ] && [ "${status[deps]}" -eq 0 ]; then
    echo "deps.sh acted again after run.sh installed everything: it is not idempotent" >&2
    status[deps]=1
fi

step test "bash scripts/test.sh"
# ctest shows a test binary's own output only when it fails: keep it, to count what passed, was
# skipped or failed inside each binary.
for preset in native win64 win32; do
    last="$root/root/CVInst/build/$preset/Testing/Temporary/LastTest.log"
    if [ -f "$last" ]; then cp "$last" "$logs/ctest-$preset.log"; fi
done

say "summary for $short (total $(hms $((SECONDS - started))))"
result=0
for name in run deps test; do
    verdict=passed
    [ "${status[$name]}" -eq 0 ] || { verdict="FAILED (exit status ${status[$name]})"; result=1; }
    printf '%-22s %s, %s\n' "bash scripts/$name.sh" "$verdict" "$(hms "${took[$name]}")"
done
echo "run.sh: $shot_note"
grep -E '^locales: |tests passed|tests failed|SKIPPED' "$logs/test.log" | sed 's/^/test.sh: /' || true
for preset in native win64 win32; do
    [ -f "$logs/ctest-$preset.log" ] || continue
    # Each test binary's closing lines: "[  PASSED  ] n tests.", "[  SKIPPED ] n tests, listed below:"...
    awk -v preset="$preset" '
        /^[0-9]+\/[0-9]+ Testing: / { name = $3 }
        /^\[  (PASSED|SKIPPED|FAILED)  ?\] [0-9]+ tests?[,.]/ {
            counts[name] = counts[name] (counts[name] == "" ? " " : ", ") $4 " " tolower($2)
        }
        END { for (n in counts) printf "test.sh: %s %s:%s\n", preset, n, counts[n] }
    ' "$logs/ctest-$preset.log" | sort
done
echo "logs: $logs"
exit "$result"
