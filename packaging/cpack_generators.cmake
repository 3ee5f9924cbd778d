# Read by cpack once for each generator: what goes into each package of one build.
if(CPACK_GENERATOR STREQUAL "DEB")
  # Debian's copyright file and compressed manual page and changelog, not the plain ones.
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL program docs debian)
  file(STRINGS "${CPACK_TESSARO_CHANGELOG}" entry LIMIT_COUNT 1)
  if(NOT entry MATCHES "^tessaro \\(${CPACK_PACKAGE_VERSION}\\) ")
    message(FATAL_ERROR "${CPACK_TESSARO_CHANGELOG} should begin with version ${CPACK_PACKAGE_VERSION}: ${entry}")
  endif()
else()
  set(CPACK_COMPONENTS_ALL program manual docs license)
endif()
