# GoogleTest from Debian's googletest source package, built with the project's own compiler
# (host g++ or MinGW-w64), so nothing is downloaded at build time.
set(CVINST_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
if(NOT EXISTS "${CVINST_GTEST_SOURCE}/CMakeLists.txt")
  message(WARNING "GoogleTest sources not found at ${CVINST_GTEST_SOURCE}: the tests are not built")
  set(CVINST_HAVE_GTEST OFF)
  return()
endif()
set(CVINST_HAVE_GTEST ON)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory("${CVINST_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
