#!/usr/bin/env bash
# Runs the locale and font tests of win32_tests once per user locale, telling the binary which
# default ANSI code page and font character set that locale must give.
# Usage: scripts/locale-tests.sh [BUILD_DIR]    (default build/win32; win32_tests must be built)
#
# Wine asks the C library's setlocale for the user's locale (LC_MESSAGES) and the system's (LC_CTYPE),
# so every locale here must be built: scripts/deps.sh builds them. Without it only LC_ALL still
# seems to work, as Wine then reads that variable itself; the last case, which sets only
# LC_MESSAGES, falls back to English. That case makes the user's language Russian while the active
# ANSI code page stays 1252, and the character set must follow the language.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${1:-$root/build/win32}
tests="$build/tests/win32_tests.exe"
[ -f "$tests" ] || { echo "missing $tests: build the win32_tests target first" >&2; exit 2; }
filter='UserLocale.*:LocaleFont*:CodePages/LocaleFontCodePage.*:LocaleText.*:LicenseDialog.*'

# locale variables, expected code page, expected character set
cases=(
    "LC_ALL=ru_RU.UTF-8|1251|204"
    "LC_ALL=ja_JP.UTF-8|932|128"
    "LC_ALL=th_TH.UTF-8|874|0"
    "LC_ALL=el_GR.UTF-8|1253|161"
    "LC_ALL=pl_PL.UTF-8|1250|238"
    "LC_ALL=C.UTF-8|1252|0"
    "LANG=C.UTF-8 LC_MESSAGES=ru_RU.UTF-8|1251|204"
)
# An unbuilt locale does not fail by itself, it silently gives English: say which one is missing.
built=$(locale -a 2>/dev/null)
for c in "${cases[@]}"; do
    for v in ${c%%|*}; do
        l=${v#*=}
        grep -qx "${l%%.*}.utf8" <<<"$built" || { echo "locale $l is not built: run scripts/deps.sh" >&2; exit 2; }
    done
done
. "$here/wine-env.sh"
wine_env_up "$build/wine"

passed=0 failed=0
for c in "${cases[@]}"; do
    IFS='|' read -r vars codepage charset <<<"$c"
    echo "== $vars: code page $codepage, charset $charset"
    # shellcheck disable=SC2086
    if env -u LC_ALL -u LANG -u LC_MESSAGES -u LC_CTYPE $vars \
        CVINST_EXPECT_CODEPAGE="$codepage" CVINST_EXPECT_CHARSET="$charset" \
        wine "$tests" --gtest_filter="$filter" --gtest_brief=1 </dev/null; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
done
echo "locales: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
