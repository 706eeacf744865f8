# Compiler and linker settings shared by every target of ours.

# Release builds stay small: no exceptions or RTTI in our code, sections dropped when unused,
# a static runtime so that the program runs on a bare Windows with no runtime DLLs beside it.
if(WIN32)
  set(PIX_SIZE_FLAGS -Os -ffunction-sections -fdata-sections)
  # ld picks a DLL's base address from a hash of its output path unless told otherwise, so the
  # same library built in another folder differed in its base and in every relocated address.
  set(PIX_LINK_FLAGS -static -Wl,--gc-sections -Wl,--disable-auto-image-base)
  if(NOT PIX_BUILD_TESTS)
    list(APPEND PIX_LINK_FLAGS -s)
  endif()
endif()

# The shipped i686 build goes further: no unwind tables, since nothing is ever unwound (the
# programs never throw, see launcher/SmallRuntime.cpp), and link-time optimisation. Together
# they take about a third off setup.exe. The x86_64 build keeps its tables, which stack walks
# on that platform need, and links without LTO, so that the test programs link quickly.
# PIX_SIZE_ANALYSIS links without LTO and writes setup.exe's linker map, so that the benchmark
# can tell which object file the code comes from.
option(PIX_SIZE_ANALYSIS "Link setup.exe without LTO and write its linker map" OFF)
set(PIX_SHIPPED_BUILD OFF)
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(PIX_SHIPPED_BUILD ON)
  list(APPEND PIX_SIZE_FLAGS -fno-asynchronous-unwind-tables -fno-unwind-tables)
  # GCC 12's -Oz trades speed for size further than -Os (pushes for moves, shorter encodings), and
  # the 32-bit Windows ABI promises 4-byte stack alignment only: the code uses no SSE that would
  # need more, so no function realigns its frame (the entry point does, once, for the callees).
  list(TRANSFORM PIX_SIZE_FLAGS REPLACE "^-Os$" "-Oz")
  list(APPEND PIX_SIZE_FLAGS -mpreferred-stack-boundary=2)
  # Inlining decided once, at the link, over the whole program, and never the whole of a function
  # into its one caller or a part of one into another: the early inliner of each file, and the
  # copies of once-called functions into their callers, made the program about 3 KB larger.
  list(APPEND PIX_SIZE_FLAGS -fno-early-inlining -fno-inline-functions-called-once -fno-partial-inlining)
  list(REMOVE_ITEM PIX_SIZE_FLAGS -fdata-sections)
endif()

# Our own code: warnings on and treated as errors.
function(pix_own_code target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-unused-parameter
    -Wno-cast-function-type ${PIX_SIZE_FLAGS})
  # Bounds-checked standard containers; as a side effect the string classes are instantiated in
  # our own objects (built without exceptions) instead of the runtime's, which keeps the unwinder
  # and the thread library out of the shipped program.
  target_compile_definitions(${target} PRIVATE _GLIBCXX_ASSERTIONS)
  # Whatever names a source file (__FILE__, debug information) names it under fixed prefixes,
  # wherever the tree was checked out. The build folder may lie inside the source folder: the
  # later map wins, so it comes second.
  target_compile_options(${target} PRIVATE -ffile-prefix-map=${CMAKE_SOURCE_DIR}=/pixorama/src
    -ffile-prefix-map=${CMAKE_BINARY_DIR}=/pixorama/build)
  if(WIN32)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>)
    target_link_options(${target} PRIVATE ${PIX_LINK_FLAGS})
  endif()
  if(PIX_SHIPPED_BUILD AND NOT PIX_SIZE_ANALYSIS)
    # Code is generated at the link, which must see the same code-generation flags.
    set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
    # One partition: split into several, GCC 12 stops with an internal error (in
    # binds_to_current_def_p) on an implicitly instantiated string or vector member that one
    # partition made local; which one depends on how the code happens to fall into partitions.
    target_link_options(${target} PRIVATE ${PIX_SIZE_FLAGS} -fno-exceptions -fno-rtti -flto-partition=one)
  endif()
endfunction()

# The time of the last commit of this tree, or empty when the tree is no git checkout of its own
# (a copy lying inside some other checkout must not take that checkout's commit).
function(pix_last_commit_time out_var)
  set(${out_var} "" PARENT_SCOPE)
  find_program(PIX_GIT git)
  if(NOT PIX_GIT)
    return()
  endif()
  execute_process(COMMAND ${PIX_GIT} -C ${CMAKE_SOURCE_DIR} rev-parse --show-toplevel
    OUTPUT_VARIABLE _top OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _rc ERROR_QUIET)
  if(NOT _rc EQUAL 0)
    return()
  endif()
  file(REAL_PATH "${_top}" _top)
  file(REAL_PATH "${CMAKE_SOURCE_DIR}" _source)
  if(NOT _top STREQUAL _source)
    return()
  endif()
  execute_process(COMMAND ${PIX_GIT} -C ${CMAKE_SOURCE_DIR} log -1 --format=%ct
    OUTPUT_VARIABLE _time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  # A new commit or checkout configures again, so that a build folder in use follows HEAD.
  execute_process(COMMAND ${PIX_GIT} -C ${CMAKE_SOURCE_DIR} rev-parse --path-format=absolute
    --git-path logs/HEAD OUTPUT_VARIABLE _head_log OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(_head_log AND EXISTS "${_head_log}")
    set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_head_log})
  endif()
  set(${out_var} "${_time}" PARENT_SCOPE)
endfunction()

# The time stamps that ld writes into a PE file (file header, export directory) are the commit's,
# not the clock's: SOURCE_DATE_EPOCH when it is set while configuring, otherwise the time of the
# last commit. Without either they are 0, still the same on every build.
if(WIN32)
  set(PIX_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
  if(PIX_SOURCE_DATE_EPOCH STREQUAL "")
    pix_last_commit_time(PIX_SOURCE_DATE_EPOCH)
  endif()
  if(PIX_SOURCE_DATE_EPOCH STREQUAL "")
    message(WARNING "SOURCE_DATE_EPOCH is not set and git gives no commit of this tree: "
      "the programs' time stamps are 0")
    set(PIX_SOURCE_DATE_EPOCH 0)
  elseif(NOT PIX_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH is \"${PIX_SOURCE_DATE_EPOCH}\", not a number of seconds")
  endif()
endif()

# A product file (setup.exe, Pixcap5.exe, PixRes5.dll) goes straight into the output folder.
# ld reads the time stamp from its environment, so the product's link runs with it.
function(pix_product target)
  set(_stamp ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${PIX_SOURCE_DATE_EPOCH})
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${PIX_OUT_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${PIX_OUT_DIR}
    C_LINKER_LAUNCHER "${_stamp}"
    CXX_LINKER_LAUNCHER "${_stamp}")
endfunction()

# The native build of the text rules runs under AddressSanitizer and UndefinedBehaviorSanitizer.
option(PIX_SANITIZE "Build with ASan and UBSan (native build only)" OFF)
if(PIX_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
