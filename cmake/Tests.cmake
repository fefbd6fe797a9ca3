# Unit tests (one executable), the test tools and the end-to-end scripts.

if(CMAKE_CROSSCOMPILING)
  # Debian's googletest package ships its sources; they build with mingw-w64.
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest
                   EXCLUDE_FROM_ALL)
  set(KS_GTEST gtest gtest_main)
else()
  find_package(GTest REQUIRED)
  set(KS_GTEST GTest::gtest GTest::gtest_main)
endif()

file(GLOB KS_TEST_SUPPORT CONFIGURE_DEPENDS tests/support/*.cpp)
add_library(kstestsupport STATIC ${KS_TEST_SUPPORT})
target_include_directories(kstestsupport PUBLIC tests/support)
target_link_libraries(kstestsupport PUBLIC kscore ${KS_GTEST})

# tests/*_win32_test.cpp test the Windows backends themselves: only the
# Windows build has them, and links its backends for them.
file(GLOB_RECURSE KS_UNIT_TESTS CONFIGURE_DEPENDS tests/*_test.cpp)
if(WIN32)
  set(KS_TEST_BACKEND ksplatform)
else()
  list(FILTER KS_UNIT_TESTS EXCLUDE REGEX "_win32_test\\.cpp$")
  set(KS_TEST_BACKEND)
endif()
add_executable(ks95_tests ${KS_UNIT_TESTS})
target_link_libraries(ks95_tests PRIVATE kstestsupport ${KS_TEST_BACKEND} kscore ${KS_GTEST}
                      ${KS_STATIC_LINK})
if(NOT WIN32)
  # The rescan tests walk real trees with the POSIX walk.
  target_link_libraries(ks95_tests PRIVATE ksplatform kscore)
endif()

if(CMAKE_CROSSCOMPILING)
  # One CTest test for the whole executable: every case under one Wine start.
  add_test(NAME unit.win32 COMMAND ks95_tests)
else()
  include(GoogleTest)
  gtest_discover_tests(ks95_tests DISCOVERY_TIMEOUT 60)
endif()

# Test tools: tests/tools/<name>.cpp, each its own program over the real
# backends.
file(GLOB KS_TEST_TOOLS CONFIGURE_DEPENDS tests/tools/*.cpp)
foreach(tool ${KS_TEST_TOOLS})
  get_filename_component(name ${tool} NAME_WE)
  add_executable(${name} ${tool})
  target_link_libraries(${name} PRIVATE ksplatform kscore ${KS_STATIC_LINK})
  list(APPEND KS_TOOL_TARGETS ${name})
endforeach()

# The shell launchers, checked without running them: shellcheck over ks.sh
# (read as bash; its zsh lines carry their exclusions), fish's parser over
# ks.fish.  Both tools come from scripts/install-deps --all; a missing one
# fails the test rather than skipping it.
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME lint.ks_sh COMMAND shellcheck ${CMAKE_SOURCE_DIR}/launcher/ks.sh)
  add_test(NAME lint.ks_fish COMMAND fish --no-execute ${CMAKE_SOURCE_DIR}/launcher/ks.fish)
  set_tests_properties(lint.ks_sh lint.ks_fish PROPERTIES LABELS lint)
endif()

# End-to-end scripts: tests/e2e/posix_*.sh drive the native build in tmux;
# tests/e2e/wine_*.sh drive the Windows build under Wine.
if(CMAKE_CROSSCOMPILING)
  file(GLOB KS_E2E CONFIGURE_DEPENDS tests/e2e/wine_*.sh)
else()
  file(GLOB KS_E2E CONFIGURE_DEPENDS tests/e2e/posix_*.sh)
endif()
foreach(script ${KS_E2E})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME e2e.${name} COMMAND bash ${script})
  set_tests_properties(e2e.${name} PROPERTIES
    ENVIRONMENT "KS95_BUILD_DIR=${CMAKE_BINARY_DIR};KS95_SOURCE_DIR=${CMAKE_SOURCE_DIR};KS95_BIN=$<TARGET_FILE:ks95>"
    TIMEOUT 300
    SKIP_RETURN_CODE 77
    LABELS e2e)
endforeach()
if(TEST e2e.wine_pwsh)
  # Some thirty Wine starts, each seconds long on a busy machine.
  set_tests_properties(e2e.wine_pwsh PROPERTIES TIMEOUT 900)
endif()
