# Sourced by the scripts that decide where Wine's 32-bit half can run. runs_32bit_programs answers
# by starting a 32-bit Linux program, the only sure way: a kernel built without IA-32 emulation, or
# booted with it off (ia32_emulation=0), refuses one whatever its settings files say. The program
# is 93 bytes of i386 ELF that exits with status 42. CVINST_I386_PROBE names another program to
# start instead (/bin/false makes this machine answer as such a kernel does).
_cvinst_probe_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build
runs_32bit_programs() {
    local probe status=0
    if [ -n "${CVINST_I386_PROBE:-}" ]; then
        "$CVINST_I386_PROBE" >/dev/null 2>&1 </dev/null || status=$?
        [ "$status" -eq 42 ]
        return
    fi
    # Beside the build trees, not in /tmp, which may be mounted noexec.
    mkdir -p "$_cvinst_probe_dir"
    probe=$(mktemp -p "$_cvinst_probe_dir" .i386-probe.XXXXXX)
    base64 -d >"$probe" <<<'f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhdAAAAXQAAAAUAAAAAEAAAMduzKjHAQM2A'
    chmod +x "$probe"
    "$probe" >/dev/null 2>&1 </dev/null || status=$?
    rm -f "$probe"
    [ "$status" -eq 42 ]
}

# Whether Wine's 32-bit loader (wine32:i386) is installed and starts: where it does not, the x86
# build cannot run under Wine even on a kernel that runs 32-bit programs.
wine32_starts() { /usr/lib/wine/wine --version >/dev/null 2>&1 </dev/null; }
