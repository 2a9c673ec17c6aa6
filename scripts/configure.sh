# Sourced by the scripts that build: `configure PRESET [cmake options...]` configures a preset's
# build tree with Ninja where it is installed and Make elsewhere. A tree made with the other
# generator is configured afresh (its CMake cache goes; built files and the Wine prefix stay).
configure() {
    local preset=$1; shift
    local tree=build/$preset generator="Unix Makefiles"
    command -v ninja >/dev/null 2>&1 && generator=Ninja
    if [ -f "$tree/CMakeCache.txt" ] &&
        ! grep -qx "CMAKE_GENERATOR:INTERNAL=$generator" "$tree/CMakeCache.txt"; then
        rm -rf "$tree/CMakeCache.txt" "$tree/CMakeFiles"
    fi
    CMAKE_GENERATOR=$generator cmake --preset "$preset" "$@" >/dev/null
}
