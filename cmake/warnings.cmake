# Warnings are errors for the project's own targets; third-party code (GoogleTest) is left alone.
function(tessaro_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Werror -Wshadow -Wconversion -Wsign-conversion
    -Wold-style-cast -Wnon-virtual-dtor -Wimplicit-fallthrough)
endfunction()

# A library of one subsystem: sources given, the project root as include root.
function(tessaro_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  tessaro_warnings(${name})
endfunction()
