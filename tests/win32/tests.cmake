# Win32 tests under Wine: the Win32 layer against real controls, registry keys and processes
# (win32_tests), and the real CVInst.exe driven from outside (e2e_tests).
file(GLOB TOOL_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/tools/*.cpp)
set(CVINST_TEST_TOOLS)
foreach(src ${TOOL_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_options(${name} PRIVATE -static -municode)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
  list(APPEND CVINST_TEST_TOOLS ${name})
endforeach()

# The kit's Win32 half drives the forms layer and starts the helper programs.
target_link_libraries(testkit PUBLIC cvwin)
target_compile_definitions(testkit PUBLIC CVINST_TOOLS_DIR="${CMAKE_BINARY_DIR}/tools")

file(GLOB WIN32_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_test.cpp)
# The program's own resources (version, manifest, agreement), so the windows under test see what
# they see in CVInst.exe.
add_executable(win32_tests ${WIN32_TEST_SOURCES} ${PROJECT_SOURCE_DIR}/res/cvinst.rc)
set_source_files_properties(${PROJECT_SOURCE_DIR}/res/cvinst.rc PROPERTIES
  INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/res OBJECT_DEPENDS "${CVINST_RC_DEPENDS}")
target_compile_definitions(win32_tests PRIVATE
  CVINST_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} CVINST_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  CVINST_VERSION_PATCH=${PROJECT_VERSION_PATCH})
target_link_libraries(win32_tests PRIVATE testkit cvwin GTest::gtest_main GTest::gmock)
target_link_options(win32_tests PRIVATE -static)
if(CVINST_TEST_TOOLS)
  add_dependencies(win32_tests ${CVINST_TEST_TOOLS})
endif()
# A real package's properties are read from the demo packages.
target_compile_definitions(win32_tests PRIVATE CVINST_DEMO_DIR="${CMAKE_BINARY_DIR}/demo")
if(TARGET demo_packages)
  add_dependencies(win32_tests demo_packages)
endif()
add_test(NAME win32_tests COMMAND win32_tests)
set_tests_properties(win32_tests PROPERTIES ENVIRONMENT "CVINST_EXPECT_DPI=96")
# The layout again at 144 DPI, in a prefix of its own.
add_test(NAME win32_tests_144dpi
  COMMAND ${CVINST_WINE_RUN} ${CMAKE_BINARY_DIR}/wine144 $<TARGET_FILE:win32_tests>
          --gtest_filter=HighDpi.*)
set_tests_properties(win32_tests_144dpi PROPERTIES ENVIRONMENT "CVINST_WINE_DPI=144;CVINST_EXPECT_DPI=144")

file(GLOB E2E_TEST_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/*.cpp)
if(E2E_TEST_SOURCES)
  add_executable(e2e_tests ${E2E_TEST_SOURCES})
  # msi: the driver reads and changes packages and asks which demo products are installed.
  target_link_libraries(e2e_tests PRIVATE testkit cvwin msi GTest::gtest_main GTest::gmock)
  target_link_options(e2e_tests PRIVATE -static)
  target_compile_definitions(e2e_tests PRIVATE
    CVINST_EXE="${CMAKE_BINARY_DIR}/bin/CVInst.exe" CVINST_DEMO_DIR="${CMAKE_BINARY_DIR}/demo"
    CVINST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(e2e_tests CVInst ${CVINST_TEST_TOOLS})
  foreach(packages demo_packages test_packages)
    if(TARGET ${packages})
      add_dependencies(e2e_tests ${packages})
    endif()
  endforeach()
  add_test(NAME e2e_tests COMMAND e2e_tests)
  set_tests_properties(e2e_tests PROPERTIES TIMEOUT 1800)
endif()

# A release of this build signed with a throwaway certificate: verified, unsigned again, installed
# under Wine.
add_test(NAME signing_test
  COMMAND ${CVINST_WINE_ENV} bash ${PROJECT_SOURCE_DIR}/tests/release/signing_test.sh ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR})
set_tests_properties(signing_test PROPERTIES TIMEOUT 600)
