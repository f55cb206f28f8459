# `cpack` (scripts/package) makes a Debian package of what Install.cmake
# installs, under /usr; dpkg-shlibdeps works out the Qt and C library
# dependencies, so apt installs them with the package.
set(CPACK_GENERATOR DEB)
# Packaging builds only what it installs (scripts/package builds that first).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_PACKAGE_NAME modbus-master-simulator)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Modbus Master Simulator project")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop Modbus master for RTU and TCP slaves")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Modbus Master Simulator project <modbus-master-simulator@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Poll Modbus RTU and Modbus TCP slaves, watch coils, inputs and registers in\n\
up to 65 data windows, colour cells by thresholds, write values back and log\n\
every frame.")
include(CPack)
