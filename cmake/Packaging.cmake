# A Debian package of both programs: `cmake --build build --target package` writes build/*.deb.
# It holds what `install` puts below /usr (the programs, the desktop entry, the icons, the
# AppStream metainfo, the sounds and the help pages); its Depends are computed by dpkg-shlibdeps
# from the libraries the programs link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorvelcal)
set(CPACK_PACKAGE_VENDOR Ombrix)
set(CPACK_PACKAGE_CONTACT "ZorvelCal developers <zorvelcal@ombrix.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Personal calendar with day planner, to-do list and reminders")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Zorvel Calendar shows one month at a glance in a small window; a click on a date opens that
day's planner. It keeps a to-do list, shows a week and a year, repeats entries, pops up reminders,
runs countdown timers, plays event sounds, prints, and backs up and restores appointments. The
package also holds kzinstall, a script-driven installer.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
