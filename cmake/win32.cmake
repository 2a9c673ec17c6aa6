# The Windows program: a static, 32-bit CVInst.exe, and the Win32 layer's library shared with the
# Win32 and end-to-end tests.
enable_language(RC)
set(CMAKE_CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/scripts/wine-run.sh;${CMAKE_BINARY_DIR}/wine")

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

file(GLOB CVINST_WIN32_SOURCES CONFIGURE_DEPENDS src/forms/*.cpp src/*/win32/*.cpp)
list(FILTER CVINST_WIN32_SOURCES EXCLUDE REGEX "/winmain\\.cpp$")
add_library(cvwin STATIC ${CVINST_WIN32_SOURCES})
target_link_libraries(cvwin PUBLIC cvcore gdi32 user32 advapi32 kernel32)

add_executable(CVInst WIN32 src/startup/win32/winmain.cpp res/cvinst.rc)
target_link_libraries(CVInst PRIVATE cvwin)
target_link_options(CVInst PRIVATE -municode -static -s)
set_target_properties(CVInst PROPERTIES OUTPUT_NAME CVInst RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set_source_files_properties(res/cvinst.rc PROPERTIES
  OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/res/cvinst.manifest;${PROJECT_SOURCE_DIR}/res/agreement.txt;${PROJECT_SOURCE_DIR}/res/cvinst.ico")
target_compile_definitions(CVInst PRIVATE
  CVINST_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} CVINST_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  CVINST_VERSION_PATCH=${PROJECT_VERSION_PATCH})

if(EXISTS ${PROJECT_SOURCE_DIR}/demo/CMakeLists.txt)
  add_subdirectory(demo)
endif()

add_subdirectory(bench)
