# Where an installed Vantorel puts its files, and the Debian package made from
# the same rules (cpack -G DEB in the build folder).

install(TARGETS vantorel vantorel-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The libraries come from the system; an installed binary needs no search path of its own.
set_target_properties(vantorel vantorel-render PROPERTIES INSTALL_RPATH "")

# The help texts and the README, which the program looks for beside itself
# first and then here (the path from bin/ is compiled in).
install(FILES ${VANTOREL_HELP_TEXTS} README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/vantorel)

install(FILES data/${VANTOREL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${VANTOREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${VANTOREL_ICON_SIZES})
  install(FILES data/icons/${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME ${VANTOREL_APP_ID}.png)
endforeach()

# Man pages, compressed as Debian keeps them.
find_program(GZIP gzip REQUIRED)
set(VANTOREL_MAN_PAGES)
foreach(page vantorel.1 vantorel-render.1)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${GZIP} -9 -n -c ${CMAKE_SOURCE_DIR}/data/man/${page} > ${CMAKE_BINARY_DIR}/man/${page}.gz
    DEPENDS data/man/${page} VERBATIM)
  list(APPEND VANTOREL_MAN_PAGES ${CMAKE_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_target(vantorel_man_pages ALL DEPENDS ${VANTOREL_MAN_PAGES})
install(FILES ${VANTOREL_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The licence, where Debian looks for it.
install(FILES data/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vantorel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantorel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vantorel developers")
set(CPACK_PACKAGE_CONTACT "The Vantorel developers")
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
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Vantorel developers")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies come from the libraries the binaries link (dpkg-shlibdeps),
# so they follow the Qt the package was built against.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
