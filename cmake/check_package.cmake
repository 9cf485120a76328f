# The package test: builds the Debian package of this build tree, checks that
# it holds what a technician needs, and runs the programs from a throwaway
# root (scripts/try-package).
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DCPACK=... -P check_package.cmake
set(out ${BUILD_DIR}/package-test)
file(REMOVE_RECURSE ${out})
execute_process(
  COMMAND ${CPACK} -G DEB -B ${out} --config ${BUILD_DIR}/CPackConfig.cmake
  RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(failed)
  message(FATAL_ERROR "cpack failed:\n${log}")
endif()
file(GLOB deb ${out}/velk-configurator_*.deb)
if(NOT deb)
  message(FATAL_ERROR "cpack made no velk-configurator package:\n${log}")
endif()

execute_process(COMMAND dpkg-deb -c ${deb} OUTPUT_VARIABLE listing COMMAND_ERROR_IS_FATAL ANY)
set(missing)
foreach(path
    usr/bin/Velk_Configurator usr/bin/velk usr/bin/positioner-sim
    usr/lib/libmirell.so.2 usr/include/mirell.h
    usr/share/applications/velk-configurator.desktop
    usr/share/icons/hicolor/scalable/apps/velk-configurator.svg
    usr/share/man/man1/velk.1.gz usr/share/man/man1/positioner-sim.1.gz
    usr/share/doc/velk-configurator/readme.txt
    usr/share/velk-configurator/linear-actuator-demo.txt)
  string(FIND "${listing}" " ./${path}" at)
  if(at EQUAL -1)
    list(APPEND missing ${path})
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "The package lacks: ${missing}\n${listing}")
endif()

# Qt's libraries come from the binaries, not from a list kept by hand.
execute_process(COMMAND dpkg-deb -f ${deb} Depends OUTPUT_VARIABLE depends COMMAND_ERROR_IS_FATAL ANY)
if(NOT depends MATCHES "libqt6widgets6")
  message(FATAL_ERROR "The package does not depend on the Qt 6 runtime: ${depends}")
endif()
# The device history's SQLite driver, a plugin no binary links.
if(NOT depends MATCHES "libqt6sql6-sqlite")
  message(FATAL_ERROR "The package does not depend on Qt's SQLite driver: ${depends}")
endif()
# libmirell's secure HART-IP sessions.
if(NOT depends MATCHES "libssl3")
  message(FATAL_ERROR "The package does not depend on OpenSSL's runtime: ${depends}")
endif()

execute_process(COMMAND ${SOURCE_DIR}/scripts/try-package ${deb} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "The programs did not run from the unpacked package")
endif()
