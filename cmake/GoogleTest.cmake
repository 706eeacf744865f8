# GoogleTest from Debian's sources, built with whichever toolchain this build uses.
if(NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

# The compile settings of all test code. Under Windows every test file starts from one
# precompiled header (GoogleTest, <windows.h>, the standard library), which is most of what a
# test file costs to compile; it is valid only for files compiled with the same settings, so
# they are set here for all of them, and a file that could not use it fails to build
# (-Winvalid-pch) instead of quietly compiling slowly again. Test code keeps the build's size
# optimisation: unoptimised objects compile a little faster but are several times larger, and
# linking the test programs from them costs more than the compile saves.
function(pix_test_code target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-unused-parameter)
  if(WIN32)
    target_compile_options(${target} PRIVATE -Winvalid-pch)
    target_compile_definitions(${target} PRIVATE STRICT
      PIX_OUT_DIR_UNIX="${PIX_OUT_DIR}" PIX_SOURCE_DIR_UNIX="${CMAKE_SOURCE_DIR}")
    if(TARGET pixtestsupport AND NOT target STREQUAL "pixtestsupport")
      target_precompile_headers(${target} REUSE_FROM pixtestsupport)
    endif()
  endif()
endfunction()

set(PIX_TEST_OUT_DIR ${PIX_OUT_DIR}/tests)

# pix_add_test(name SOURCES ... [LIBS ...] [RESOURCES] [TIMEOUT s] [COST s] [LABELS ...])
#   A GoogleTest program; one CTest test per program (each Wine run gets its own prefix).
#   RESOURCES links the installer's resources, so the code under test finds its texts.
#   COST is the program's usual run time in seconds: a parallel run starts the long ones first,
#   so that no long program is left to run alone at the end (ctest learns this itself only
#   from earlier runs in the same build folder, which a clean clone does not have).
function(pix_add_test name)
  cmake_parse_arguments(T "RESOURCES" "TIMEOUT;COST" "SOURCES;LIBS;LABELS" ${ARGN})
  set(_extra)
  if(WIN32)
    # The engine's process-wide state, which setup.exe defines beside its other globals.
    list(APPEND _extra $<TARGET_OBJECTS:pixtestglobals>)
    if(T_RESOURCES)
      list(APPEND _extra $<TARGET_OBJECTS:setup_res>)
    endif()
  endif()
  add_executable(${name} ${T_SOURCES} ${_extra})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  pix_test_code(${name})
  if(WIN32)
    target_link_options(${name} PRIVATE -static)
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PIX_TEST_OUT_DIR})
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_COST)
    set_tests_properties(${name} PROPERTIES COST ${T_COST})
  endif()
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
