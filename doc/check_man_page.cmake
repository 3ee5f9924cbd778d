# Fails when groff has anything to say about the manual page, rendered for print and for a
# terminal 80 columns wide (as man shows it), or when its title line lacks the project's version.
#   cmake -DGROFF=<groff> -DPAGE=<tessaro.1> -DVERSION=<version> -P check_man_page.cmake
if(NOT GROFF)
  message("groff is not installed: the manual page is not checked")
  return()
endif()

foreach(device ps utf8)
  execute_process(COMMAND ${GROFF} -t -man -ww -z -T${device} -rLL=80n ${PAGE}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    message(FATAL_ERROR "groff -T${device} on ${PAGE} (exit ${result}):\n${output}")
  endif()
endforeach()

file(STRINGS ${PAGE} title REGEX "^\\.TH ")
if(NOT title MATCHES "\"Tessaro ${VERSION}\"")
  message(FATAL_ERROR "The title line of ${PAGE} should name \"Tessaro ${VERSION}\": ${title}")
endif()
