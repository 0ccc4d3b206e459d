# Where an installed Vantorel puts its files, and the Debian package made from
# the same rules (cpack -G DEB in the build folder).

install(TARGETS vantorel vantorel-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The libraries come from the system; an installed binary needs no search path of its own.
set_target_properties(vantorel vantorel-render PROPERTIES INSTALL_RPATH "")
# A stripped install (the Debian package is one) also drops the compilers'
# version notes in .comment, as Debian's own packaging does.
find_program(VANTOREL_OBJCOPY NAMES ${CMAKE_OBJCOPY} objcopy REQUIRED)
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program vantorel vantorel-render)
      execute_process(COMMAND \"${VANTOREL_OBJCOPY}\" --remove-section=.comment
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()")

# The help texts, which the program reads from beside itself first and then
# from here (the path from bin/ is compiled in). They are the program's data,
# not the package's documentation; lintian is told so.
install(FILES ${VANTOREL_HELP_TEXTS} DESTINATION ${CMAKE_INSTALL_DATADIR}/vantorel)
install(FILES data/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME vantorel)

install(FILES data/${VANTOREL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${VANTOREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${VANTOREL_ICON_SIZES})
  install(FILES data/icons/${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME ${VANTOREL_APP_ID}.png)
endforeach()

# Man pages and the changelog, compressed as Debian keeps them.
find_program(GZIP gzip REQUIRED)
set(VANTOREL_COMPRESSED)
foreach(file man/vantorel.1 man/vantorel-render.1 changelog)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${file}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${GZIP} -9 -n -c ${CMAKE_SOURCE_DIR}/data/${file} > ${CMAKE_BINARY_DIR}/${file}.gz
    DEPENDS data/${file} VERBATIM)
  list(APPEND VANTOREL_COMPRESSED ${CMAKE_BINARY_DIR}/${file}.gz)
endforeach()
add_custom_target(vantorel_compressed_docs ALL DEPENDS ${VANTOREL_COMPRESSED})
install(FILES ${CMAKE_BINARY_DIR}/man/vantorel.1.gz ${CMAKE_BINARY_DIR}/man/vantorel-render.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The changelog's newest entry is the version this build makes: a new version
# without its entry stops the build here rather than shipping an old one.
file(STRINGS data/changelog VANTOREL_CHANGELOG_TOP LIMIT_COUNT 1)
string(REPLACE "." "\\." VANTOREL_VERSION_PATTERN "${PROJECT_VERSION}")
if(NOT VANTOREL_CHANGELOG_TOP MATCHES "^vantorel \\(${VANTOREL_VERSION_PATTERN}\\) ")
  message(FATAL_ERROR "data/changelog begins \"${VANTOREL_CHANGELOG_TOP}\": "
    "its newest entry must be for version ${PROJECT_VERSION}")
endif()

# The licence, the changelog and the README (which the about box opens), where
# Debian keeps a package's documents; the program finds the README from bin/.
install(FILES data/copyright ${CMAKE_BINARY_DIR}/changelog.gz README.md DESTINATION ${VANTOREL_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantorel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vantorel developers")
set(VANTOREL_MAINTAINER "The Vantorel developers <vantorel@users.noreply.github.com>")
set(CPACK_PACKAGE_CONTACT ${VANTOREL_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "explorer of the Mandelbrot set")
set(CPACK_PACKAGE_DESCRIPTION
  "Vantorel plots the Mandelbrot set with the escape-time method and lets you\n"
  "travel through the complex plane: drag the picture, pan with the arrow keys,\n"
  "zoom about the centre, set the iteration limit, the calculation step and the\n"
  "colour intensity, and save places and pictures. A plot is refined stage by\n"
  "stage from coarse blocks down to single pixels.\n"
  "\n"
  "The package also holds vantorel-render, which draws one picture without a\n"
  "window and writes it as a BMP file.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VANTOREL_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies come from the libraries the binaries link (dpkg-shlibdeps),
# so they follow the Qt the package was built against. Without dpkg-shlibdeps
# CPack would quietly make a package without dependencies, which installs and
# then cannot start: the check run by cpack stops it instead.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/cpack_checks.cmake)
include(CPack)
