# Read by cpack for each package it makes (CPACK_PROJECT_CONFIG_FILE).
cmake_policy(SET CMP0109 NEW)  # a program must be executable to be found, as CPack's own search has it
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(VANTOREL_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(NOT VANTOREL_DPKG_SHLIBDEPS)
    message(FATAL_ERROR "dpkg-shlibdeps is missing (package dpkg-dev): without it the package would "
      "have no dependencies and could not start once installed. Install it (tools/install-deps.sh test) "
      "and run cpack again.")
  endif()
endif()
