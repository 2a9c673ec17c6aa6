# The part of the MinGW-w64 toolchain files that is the same for every architecture: the -posix
# compilers (std::thread, which GoogleTest needs) of CVINST_MINGW_TRIPLE, and its own libraries and
# headers only.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${CVINST_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CVINST_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CVINST_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${CVINST_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
