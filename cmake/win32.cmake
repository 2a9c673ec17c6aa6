# The Windows program: a static CVInst.exe for the toolchain's architecture (i686 or x86_64), and
# the Win32 layer's library shared with the Win32 and end-to-end tests.
enable_language(RC)

# The manifest names the program's own architecture: Windows refuses to start a program whose
# manifest names another one.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CVINST_MANIFEST_ARCH amd64)
  set(CVINST_ARCH x64 CACHE INTERNAL "The architecture this tree builds for (scripts/release.sh reads it)")
else()
  set(CVINST_MANIFEST_ARCH x86)
  set(CVINST_ARCH x86 CACHE INTERNAL "The architecture this tree builds for (scripts/release.sh reads it)")
endif()
set(CVINST_MANIFEST ${CMAKE_BINARY_DIR}/res/cvinst.manifest)
configure_file(${PROJECT_SOURCE_DIR}/res/cvinst.manifest.in ${CVINST_MANIFEST} @ONLY)
# windres finds the files the .rc names in its include folders.
set(CVINST_RC_DEPENDS "${CVINST_MANIFEST};${PROJECT_SOURCE_DIR}/res/agreement.txt;${PROJECT_SOURCE_DIR}/res/cvinst.ico")
set_source_files_properties(res/cvinst.rc PROPERTIES
  INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/res OBJECT_DEPENDS "${CVINST_RC_DEPENDS}")
# Tests run under Wine: the x64 build's under wine64 alone, which needs no 32-bit Linux program.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CVINST_WINE_ENV env CVINST_WINE=/usr/lib/wine/wine64)
else()
  set(CVINST_WINE_ENV)
endif()
set(CVINST_WINE_RUN ${CVINST_WINE_ENV} ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CVINST_WINE_RUN} ${CMAKE_BINARY_DIR}/wine)

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

file(GLOB CVINST_WIN32_SOURCES CONFIGURE_DEPENDS src/forms/*.cpp src/*/win32/*.cpp)
list(FILTER CVINST_WIN32_SOURCES EXCLUDE REGEX "/winmain\\.cpp$")
add_library(cvwin STATIC ${CVINST_WIN32_SOURCES})
target_link_libraries(cvwin PUBLIC cvcore gdi32 user32 advapi32 kernel32)

add_executable(CVInst WIN32 src/startup/win32/winmain.cpp res/cvinst.rc)
target_link_libraries(CVInst PRIVATE cvwin)
target_link_options(CVInst PRIVATE -municode -static -s)
set_target_properties(CVInst PROPERTIES OUTPUT_NAME CVInst RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_compile_definitions(CVInst PRIVATE
  CVINST_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} CVINST_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  CVINST_VERSION_PATCH=${PROJECT_VERSION_PATCH})

if(EXISTS ${PROJECT_SOURCE_DIR}/demo/CMakeLists.txt)
  add_subdirectory(demo)
endif()

add_subdirectory(bench)
