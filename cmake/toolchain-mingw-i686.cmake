# MinGW-w64 for 32-bit Windows: the x86 CVInst.exe.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CVINST_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-posix.cmake)
