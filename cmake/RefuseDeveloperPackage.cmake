# Run by CPack before it packs: the programs of a developer build look for their files below
# /usr/local and in the source tree, so a package of them would be shadowed by a local install.
if(NOT CPACK_ZORVEL_PACKAGE_BUILD)
  message(FATAL_ERROR "This is a developer build. Make the package from a package build:\n"
                      "  cmake -S . -B build-deb -DZORVEL_PACKAGE=ON\n"
                      "  cmake --build build-deb --target package")
endif()
