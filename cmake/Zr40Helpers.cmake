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
  # a test of one platform's implementation is named after it: Posix*Test.cpp, Win32*Test.cpp
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "/Posix[^/]*Test\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "/Win32[^/]*Test\\.cpp$")
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
    set_target_properties(test_${name} PROPERTIES CROSSCOMPILING_EMULATOR "${ZR40_WINE_EMULATOR}")
    gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 300 FIXTURES_REQUIRED zr40_wine)
  else()
    gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endfunction()
