# Warnings are on for the project's own targets; third-party code (GoogleTest) is left alone.
# They are errors only where we ask for it (scripts/test, CI): a user's or a packager's build with
# a newer compiler must not fail on a warning that compiler has just learnt.
option(TESSARO_WERROR "Treat warnings in the project's own code as errors" OFF)

function(tessaro_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wold-style-cast -Wnon-virtual-dtor -Wimplicit-fallthrough
    $<$<BOOL:${TESSARO_WERROR}>:-Werror>)
endfunction()

# Silences g++ warnings in one source file, for known false positives that g++ finds inside the
# standard library: tessaro_quiet_gcc(<file> <warning>...), warnings named without "-W".
function(tessaro_quiet_gcc source)
  list(TRANSFORM ARGN REPLACE "^(.+)$" "$<$<CXX_COMPILER_ID:GNU>:-Wno-\\1>")
  set_property(SOURCE ${source} APPEND PROPERTY COMPILE_OPTIONS ${ARGN})
endfunction()

# A library of one subsystem: sources given, the project root as include root.
function(tessaro_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  tessaro_warnings(${name})
endfunction()
