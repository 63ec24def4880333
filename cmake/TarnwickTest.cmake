# tarnwick_test(NAME name LABEL layer SOURCES ... [LIBS ...] [WINDOWS_EXCLUDE pattern ...])
# One GoogleTest program; every test in it is registered with CTest under the layer's label,
# so a sanitizer build can pick the layers it cares about (ctest -L), and built by the layer's
# target tests_<layer>, so it can build only those (cmake --build --target tests_util ...).
# WINDOWS_EXCLUDE names the tests (GoogleTest patterns) left out of a Windows build; the caller
# says why next to them.
set(TARNWICK_TEST_ENVIRONMENT "XDG_CACHE_HOME=/dev/null/no-cache-in-tests")
if(WIN32)
  # The same place as Wine's drive Z: shows it; a drive that does not exist fails as well.
  set(TARNWICK_TEST_ENVIRONMENT "XDG_CACHE_HOME=Z:/dev/null/no-cache-in-tests")
endif()

# A cross build lists a program's tests when ctest runs (through the emulator), not while building.
if(CMAKE_CROSSCOMPILING)
  set(TARNWICK_TEST_DISCOVERY PRE_TEST)
else()
  set(TARNWICK_TEST_DISCOVERY POST_BUILD)
endif()

function(tarnwick_test)
  cmake_parse_arguments(T "" "NAME;LABEL" "SOURCES;LIBS;WINDOWS_EXCLUDE" ${ARGN})
  set(filter)
  if(WIN32 AND T_WINDOWS_EXCLUDE)
    list(JOIN T_WINDOWS_EXCLUDE ":" excluded)
    set(filter TEST_FILTER "-${excluded}")
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  # Tests never share the user's record of finished files: one that wants a record sets its own
  # XDG_CACHE_HOME; elsewhere the record cannot be made and every file is worked on.
  gtest_discover_tests(${T_NAME} ${filter}
    PROPERTIES LABELS ${T_LABEL} TIMEOUT 120 ENVIRONMENT "${TARNWICK_TEST_ENVIRONMENT}"
    DISCOVERY_TIMEOUT 60 DISCOVERY_MODE ${TARNWICK_TEST_DISCOVERY})
  if(NOT TARGET tests_${T_LABEL})
    add_custom_target(tests_${T_LABEL})
  endif()
  add_dependencies(tests_${T_LABEL} ${T_NAME})
endfunction()
