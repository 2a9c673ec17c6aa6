# MinGW-w64 for 64-bit Windows: the x64 CVInst.exe.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CVINST_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-posix.cmake)
