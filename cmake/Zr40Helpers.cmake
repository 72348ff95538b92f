# One static library per subsystem folder: zr40_<name> from src/<name>/*.cpp.
function(zr40_subsystem name)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${name}/*.cpp)
  # platform/ holds one folder per operating system: only this target's is built
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "/platform/posix/")
  else()
    list(FILTER sources EXCLUDE REGEX "/platform/win32/")
  endif()
  if(NOT sources)
    set(sources ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(zr40_${name} STATIC ${sources})
  target_include_directories(zr40_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  if(ARGN)
    target_link_libraries(zr40_${name} PUBLIC ${ARGN})
  endif()
endfunction()

# One GoogleTest executable per test folder: test_<name> from tests/<name>/*.cpp.
function(zr40_test_folder name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  # tests of one platform's ideas: *Posix*Test.cpp on Linux only, *Win32*Test.cpp on Windows only
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "/[^/]*Posix[^/]*Test\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "/[^/]*Win32[^/]*Test\\.cpp$")
  endif()
  if(NOT sources)
    return()
  endif()
  add_executable(test_${name} ${sources})
  target_link_libraries(test_${name} PRIVATE zr40testsupport ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  if(WIN32)
    # Under Wine in this build's prefix, prepared before the listing runs the test inside ninja
    # (Wine's services would otherwise inherit ninja's pipe); each test needs the prepared prefix.
    add_dependencies(test_${name} zr40_wine_prefix)
    set(emulator env ${ZR40_WINE_ENV} ${ZR40_WINE_ENV_${name}} /usr/lib/wine/wine64)
    set_target_properties(test_${name} PROPERTIES CROSSCOMPILING_EMULATOR "${emulator}")
    if(name STREQUAL "app")
      # The window program's own runs start Wine's desktop process, which the window tests share:
      # one at a time, as those are, or a run waits a minute for it.
      gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "-Win32Program.*"
                           PROPERTIES TIMEOUT 120 FIXTURES_REQUIRED zr40_wine)
      gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "Win32Program.*"
                           PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE FIXTURES_REQUIRED zr40_wine)
    else()
      gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60
                           PROPERTIES TIMEOUT 120 FIXTURES_REQUIRED zr40_wine)
    endif()
  else()
    gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endfunction()
