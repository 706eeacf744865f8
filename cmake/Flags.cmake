# Compiler and linker settings shared by every target of ours.

# Release builds stay small: no exceptions or RTTI in our code, sections dropped when unused,
# a static runtime so that the program runs on a bare Windows with no runtime DLLs beside it.
if(WIN32)
  set(PIX_SIZE_FLAGS -Os -ffunction-sections -fdata-sections)
  set(PIX_LINK_FLAGS -static -Wl,--gc-sections)
  if(NOT PIX_BUILD_TESTS)
    list(APPEND PIX_LINK_FLAGS -s)
  endif()
endif()

# The shipped i686 build goes further: no unwind tables, since nothing is ever unwound (the
# programs never throw, see framework/SmallRuntime.cpp), and link-time optimisation. Together
# they take about a third off setup.exe. The x86_64 build keeps its tables, which stack walks
# on that platform need, and links without LTO, so that the test programs link quickly.
# PIX_SIZE_ANALYSIS links without LTO and writes setup.exe's linker map, so that the benchmark
# can tell which object file the code comes from.
option(PIX_SIZE_ANALYSIS "Link setup.exe without LTO and write its linker map" OFF)
set(PIX_SHIPPED_BUILD OFF)
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(PIX_SHIPPED_BUILD ON)
  list(APPEND PIX_SIZE_FLAGS -fno-asynchronous-unwind-tables -fno-unwind-tables)
  if(PIX_SIZE_ANALYSIS)
    list(REMOVE_ITEM PIX_LINK_FLAGS -s)
  endif()
endif()

# Our own code: warnings on and treated as errors.
function(pix_own_code target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-unused-parameter
    -Wno-cast-function-type ${PIX_SIZE_FLAGS})
  # Bounds-checked standard containers; as a side effect the string classes are instantiated in
  # our own objects (built without exceptions) instead of the runtime's, which keeps the unwinder
  # and the thread library out of the shipped program.
  target_compile_definitions(${target} PRIVATE _GLIBCXX_ASSERTIONS)
  if(WIN32)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>)
    target_link_options(${target} PRIVATE ${PIX_LINK_FLAGS})
  endif()
  if(PIX_SHIPPED_BUILD AND NOT PIX_SIZE_ANALYSIS)
    # Code is generated at the link, which must see the same code-generation flags.
    set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
    target_link_options(${target} PRIVATE ${PIX_SIZE_FLAGS} -fno-exceptions -fno-rtti)
  endif()
endfunction()

# A product file (setup.exe, Pixcap5.exe, PixRes5.dll) goes straight into the output folder.
function(pix_product target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${PIX_OUT_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${PIX_OUT_DIR})
endfunction()

# The native build of the text rules runs under AddressSanitizer and UndefinedBehaviorSanitizer.
option(PIX_SANITIZE "Build with ASan and UBSan (native build only)" OFF)
if(PIX_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
