# Sourced by the scripts that run Windows programs: a private Wine prefix and an Xvfb display that
# outlive single test processes (Wine's start-up is paid once), and are torn down by wine_env_down.
# Usage: wine_env_up PREFIX_DIR [real]   ("real" keeps a real $DISPLAY when there is one)

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export WINEARCH=win64
# The Wine loader: `wine`, Debian's script (the 32-bit loader where wine32 is installed, which hands
# 64-bit programs to wine64), or CVINST_WINE=/usr/lib/wine/wine64 for the x64 build, which runs no
# 32-bit Linux program at all and so works on a kernel that cannot start one.
# Read at each call, so that one script can run both builds' tests.
wine() {
    local loader=${CVINST_WINE:-wine}
    if [ "$loader" = wine ]; then command wine "$@"; else WINELOADER=$loader "$loader" "$@"; fi
}

_wine_display_alive() { [ -n "${1:-}" ] && xdpyinfo -display "$1" >/dev/null 2>&1; }

wine_env_up() {
    local prefix=$1 mode=${2:-}
    mkdir -p "$prefix"
    prefix=$(cd "$prefix" && pwd)
    export WINEPREFIX="$prefix/wine"
    local state="$prefix/display"
    (
        flock 9
        if [ "$mode" = real ] && _wine_display_alive "${DISPLAY:-}"; then
            echo "$DISPLAY" > "$state"
        elif ! _wine_display_alive "$(cat "$state" 2>/dev/null)"; then
            # The display must be up before the wineserver starts: one started without a display
            # keeps failing after one appears.
            wineserver -k >/dev/null 2>&1 || true
            local n
            for n in $(seq 91 140); do
                [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
                # A server seen through no file here (one in a chroot or container with its own /tmp)
                # still holds the abstract socket of its number, and would answer in our server's place.
                _wine_display_alive ":$n" && continue
                setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$prefix/xvfb.log" 2>&1 </dev/null 9>&- &
                local xvfb=$!
                echo $xvfb > "$prefix/xvfb.pid"
                local i
                for i in $(seq 1 50); do
                    _wine_display_alive ":$n" && break
                    kill -0 $xvfb 2>/dev/null || break
                    sleep 0.1
                done
                if kill -0 $xvfb 2>/dev/null && _wine_display_alive ":$n"; then echo ":$n" > "$state"; break; fi
                kill $xvfb 2>/dev/null || true
                rm -f "$prefix/xvfb.pid"
            done
        fi
        export DISPLAY=$(cat "$state")
        # A persistent server, and the prefix's services started with no inherited output: a
        # service holding a test's stdout open would keep ctest waiting after the test ended.
        wineserver -p </dev/null >/dev/null 2>&1 9>&- || true
        if [ ! -f "$WINEPREFIX/.cvinst-ready" ]; then
            wine wineboot --init </dev/null >/dev/null 2>&1 9>&- || true
            # wine64 alone cannot run the 32-bit half of Wine's set-up, which writes the folders of
            # the 32-bit registry view that every 64-bit Windows has and the 32-bit packages
            # install under. Added once, as Windows has them; nothing else is set in their place.
            if ! wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion' /v ProgramFilesDir /reg:32 </dev/null >/dev/null 2>&1 9>&-; then
                wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion' /v ProgramFilesDir /d 'C:\Program Files (x86)' /f /reg:32 </dev/null >/dev/null 2>&1 9>&- || true
                wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion' /v CommonFilesDir /d 'C:\Program Files (x86)\Common Files' /f /reg:32 </dev/null >/dev/null 2>&1 9>&- || true
            fi
            wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d ${CVINST_WINE_DPI:-96} /f </dev/null >/dev/null 2>&1 9>&- || true
            # Wine draws the window frames itself: the same pixels with or without a window manager.
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 9>&- || true
            # Debian's Wine does not look in its own font folder: give the prefix Tahoma and Marlett.
            if [ -d /usr/share/wine/fonts ]; then
                mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
                ln -sf /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
            fi
            touch "$WINEPREFIX/.cvinst-ready"
        fi
        wine cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
    ) 9> "$prefix/.lock"
    export DISPLAY=$(cat "$prefix/display")
}

wine_env_down() {
    local prefix=$1
    [ -d "$prefix" ] || return 0
    prefix=$(cd "$prefix" && pwd)
    WINEPREFIX="$prefix/wine" wineserver -k >/dev/null 2>&1 || true
    if [ -f "$prefix/xvfb.pid" ]; then
        kill "$(cat "$prefix/xvfb.pid")" >/dev/null 2>&1 || true
        rm -f "$prefix/xvfb.pid" "$prefix/display"
    fi
}
