# A Debian package of both programs: configure a build of its own for it and make the package there:
#     cmake -S . -B build-deb -DZORVEL_PACKAGE=ON && cmake --build build-deb --target package
# It holds what `install` puts below /usr (the programs, their manual pages, the copyright and
# changelog, the desktop entry, the icons, the AppStream metainfo, the sounds and the help pages);
# its Depends are computed by dpkg-shlibdeps from the libraries the programs link.
#
# A package build differs from a developer build in what is compiled into the programs, so a
# package cannot be made from a developer build: the programs look for their files below /usr only
# (a developer build looks below its own prefix and falls back on the source tree), and they are
# compiled with the distribution's hardening flags.
option(ZORVEL_PACKAGE "Build the programs for the Debian package (prefix /usr, hardening flags)" OFF)

if(ZORVEL_PACKAGE)
  if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    message(STATUS "A package build installs below /usr (was ${CMAKE_INSTALL_PREFIX})")
    set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Install path prefix" FORCE)
  endif()
  # The distribution's flags, as its own package builds get them; bindnow too, which Debian
  # leaves out by default but which costs a program of this size nothing.
  find_program(DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
  if(NOT DEFINED ENV{DEB_BUILD_MAINT_OPTIONS})
    set(ENV{DEB_BUILD_MAINT_OPTIONS} "hardening=+all")
  endif()
  foreach(kind CPPFLAGS CXXFLAGS CFLAGS LDFLAGS)
    execute_process(COMMAND ${DPKG_BUILDFLAGS} --get ${kind} OUTPUT_VARIABLE ZORVEL_DEB_${kind}
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  string(APPEND CMAKE_CXX_FLAGS " ${ZORVEL_DEB_CPPFLAGS} ${ZORVEL_DEB_CXXFLAGS}")
  string(APPEND CMAKE_C_FLAGS " ${ZORVEL_DEB_CPPFLAGS} ${ZORVEL_DEB_CFLAGS}")
  string(APPEND CMAKE_EXE_LINKER_FLAGS " ${ZORVEL_DEB_LDFLAGS}")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorvelcal)
set(CPACK_PACKAGE_VENDOR Ombrix)
set(CPACK_PACKAGE_CONTACT "ZorvelCal developers <zorvelcal@ombrix.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personal calendar with day planner, to-do list and reminders")
# Debian shows the description in terminals: no line is wider than 80 columns.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Zorvel Calendar shows one month at a glance in a small window; a click on a
date opens that day's planner. It keeps a to-do list, shows a week and a year,
repeats entries, pops up reminders, runs countdown timers, plays event sounds,
prints, backs up and restores appointments, and exchanges them with other
calendars as iCalendar files.
.
The package also holds kzinstall, a script-driven installer.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_ZORVEL_PACKAGE_BUILD ${ZORVEL_PACKAGE})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/RefuseDeveloperPackage.cmake)
include(CPack)
