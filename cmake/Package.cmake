# SPDX-License-Identifier: MIT
# `ninja package`: a .deb on Linux (installing to /usr), a zip elsewhere.
set(CPACK_PACKAGE_NAME alerts)
set(CPACK_PACKAGE_VENDOR ZARQ)
set(CPACK_PACKAGE_VERSION 1.00)
set(CPACK_PACKAGE_CONTACT "ZARQ <alerts@zarq.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://zarq.example/)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Announces the tournaments that start on the tournament server")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Alert stays connected to the tournament server and, when a tournament starts,"
    "slides a small popup up from the bottom-right corner of the screen, plays a"
    "siren, does both, or does nothing. Hidden, it waits in the notification area.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES TRUE)

if(UNIX AND NOT APPLE)
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION games)
    # Dependencies come from dpkg-shlibdeps, for the release the package is built
    # on; the windows' font is carried inside the program. The popup is placed
    # through Qt's private interface, which holds within one Qt release only: Qt's
    # symbols files make dpkg-shlibdeps pin that release under the name the
    # release uses (qt6-base-abi on Debian 12, qt6-base-private-abi on 13).
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # Opened at run time, when the siren cannot play: the desktop's alert sound.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libcanberra0, libcanberra-pulse, sound-theme-freedesktop")
else()
    set(CPACK_GENERATOR ZIP)
endif()

include(CPack)
