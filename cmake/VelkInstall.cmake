# Installing: the programs, the link library under its SONAME with its
# header, the readme, a desktop entry with its icon and the man pages; and a
# Debian package of all of it (`cpack -G DEB` in a build tree).
include(GNUInstallDirs)

set(VELK_PACKAGE_NAME velk-configurator)
set(VELK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${VELK_PACKAGE_NAME})

install(TARGETS positioner-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS mirell LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/linklib/include/mirell.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${VELK_DOC_DIR})

if(VELK_BUILD_CONFIGURATOR)
  install(TARGETS Velk_Configurator velk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/configurator/shell/readme.txt DESTINATION ${VELK_DOC_DIR})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/velk-configurator.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/velk-configurator.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # The configuration an empty device history starts with; the programs find
  # it beside themselves, in ../share/velk-configurator.
  install(FILES ${PROJECT_SOURCE_DIR}/configurator/history/seed/linear-actuator-demo.txt
          DESTINATION ${CMAKE_INSTALL_DATADIR}/${VELK_PACKAGE_NAME})
endif()

# Man pages made from the programs' own --help, so they never drift from it.
# Only where the programs run as they are installed (not under a sanitizer).
find_program(VELK_HELP2MAN help2man)
if(VELK_HELP2MAN AND NOT VELK_SANITIZE AND NOT VELK_TSAN)
  set(man_dir ${CMAKE_BINARY_DIR}/man)
  set(man_pages)
  # velk_man_page(<target> <one-line description>)
  function(velk_man_page target description)
    set(page ${man_dir}/${target}.1.gz)
    add_custom_command(
      OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${man_dir}
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
              ${VELK_HELP2MAN} --no-info --no-discard-stderr --version-string=${PROJECT_VERSION}
              --name=${description} --output=${man_dir}/${target}.1 $<TARGET_FILE:${target}>
      COMMAND gzip -9nf ${man_dir}/${target}.1
      DEPENDS ${target}
      COMMENT "Man page of ${target}"
      VERBATIM)
    set(man_pages ${man_pages} ${page} PARENT_SCOPE)
  endfunction()
  velk_man_page(positioner-sim "a simulated Q5/Q50 valve positioner on a pseudo-terminal")
  if(VELK_BUILD_CONFIGURATOR)
    velk_man_page(velk "configure Q5 and Q50 valve positioners over HART from the command line")
  endif()
  add_custom_target(man_pages ALL DEPENDS ${man_pages})
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME ${VELK_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Velk")
set(CPACK_PACKAGE_CONTACT "Velk service tools <service@velk.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Configure, calibrate and diagnose Q5 and Q50 valve positioners over HART")
set(CPACK_PACKAGE_DESCRIPTION
    "Velk_Configurator (the desktop program), velk (its jobs from the command line), \
libmirell (the HART master library for a serial HART modem) and positioner-sim \
(a simulated positioner for training and trials without hardware).")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The runtime dependencies (Qt 6, the C++ library) come from the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded by Qt, not linked: the window's platform plugins (X11, Wayland) and
# the device history's SQLite driver; the PostgreSQL driver for a plant's
# shared history.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
# The library is installed under its SONAME: ldconfig runs on install.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
include(CPack)

if(VELK_HELP2MAN AND VELK_BUILD_CONFIGURATOR AND NOT VELK_SANITIZE AND NOT VELK_TSAN)
  add_test(NAME package_contents
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                   -DCPACK=${CMAKE_CPACK_COMMAND} -P ${PROJECT_SOURCE_DIR}/cmake/check_package.cmake)
  set_tests_properties(package_contents PROPERTIES LABELS install)
endif()
