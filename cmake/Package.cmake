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
    if(ALERTS_HAVE_LAYER_SHELL)
        # Native Wayland, where there is no XWayland (the layer-shell binding
        # itself comes from dpkg-shlibdeps).
        string(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS ", qt6-wayland")
    endif()
elseif(WIN32)
    # alerts-1.00-win64.exe, an installer as Windows users know it, and a
    # portable zip of the same folder.
    set(CPACK_GENERATOR NSIS ZIP)
    set(CPACK_PACKAGE_INSTALL_DIRECTORY Alert)
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Alert)
    set(CPACK_NSIS_PACKAGE_NAME Alert)
    set(CPACK_NSIS_DISPLAY_NAME Alert)
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    # An administrator installs for all users; anyone else, for themselves alone,
    # without being asked for an administrator's password.
    # A 64-bit installer, like the program: it runs where only 64-bit programs do
    # (Wine without its 32-bit half) and writes to the 64-bit registry.
    set(CPACK_NSIS_DEFINES "Target amd64-unicode\nRequestExecutionLevel highest\n!include '${CMAKE_CURRENT_LIST_DIR}/installer.nsh'")
    set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/alerts.ico)
    set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/alerts.ico)
    # The program lies in the installation folder itself, beside Media\siren.wav.
    set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
    set(CPACK_PACKAGE_EXECUTABLES alerts Alert)
    set(CPACK_NSIS_INSTALLED_ICON_NAME alerts.exe)
    set(CPACK_NSIS_URL_INFO_ABOUT ${CPACK_PACKAGE_HOMEPAGE_URL})
    set(CPACK_NSIS_CONTACT ${CPACK_PACKAGE_CONTACT})
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    # Installed for one user, the program goes where Windows keeps that user's
    # programs (%LOCALAPPDATA%\Programs), not into CPack's choice of Documents.
    file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in nsis_template)
    # Each piece of CPack's template that is changed must be there exactly once.
    function(alerts_patch_nsis old new)
        string(FIND "${nsis_template}" "${old}" at)
        string(FIND "${nsis_template}" "${old}" last REVERSE)
        if(at EQUAL -1 OR NOT at EQUAL last)
            message(FATAL_ERROR "CPack's NSIS template does not hold this once: ${old}")
        endif()
        string(REPLACE "${old}" "${new}" patched "${nsis_template}")
        set(nsis_template "${patched}" PARENT_SCOPE)
    endfunction()
    alerts_patch_nsis([[StrCpy $INSTDIR "$DOCUMENTS\]] [[StrCpy $INSTDIR "$LOCALAPPDATA\Programs\]])
    # Started at sign-in and installed over a running copy (installer.nsh): a
    # running copy is closed first thing, before CPack removes an older version;
    # the uninstaller closes it too, once it knows whose install it removes.
    alerts_patch_nsis([[Function .onInit
]] [[Function .onInit
  Call AlertInit
]])
    alerts_patch_nsis([[  noLM:
    ;Get installation folder from registry if available

  done:
]] [[  noLM:
    ;Get installation folder from registry if available

  done:
  Call un.AlertInit
]])
    # /CurrentUser: an administrator's install for themselves alone.
    alerts_patch_nsis([[  ClearErrors
  UserInfo::GetName
  IfErrors noLM
  Pop $0
  UserInfo::GetAccountType
  Pop $1
  StrCmp $1 "Admin" 0 +4]] [[  StrCmp $AlertPerUser 1 done
  ClearErrors
  UserInfo::GetName
  IfErrors noLM
  Pop $0
  UserInfo::GetAccountType
  Pop $1
  StrCmp $1 "Admin" 0 +4]])
    alerts_patch_nsis([[  !insertmacro MUI_PAGE_FINISH]] [[  !define MUI_FINISHPAGE_SHOWREADME ""
  !define MUI_FINISHPAGE_SHOWREADME_TEXT "Start Alert when I sign in"
  !define MUI_FINISHPAGE_SHOWREADME_FUNCTION AlertStartAtSignIn
  !define MUI_PAGE_CUSTOMFUNCTION_PRE AlertFinishPre
  !insertmacro MUI_PAGE_FINISH]])
    set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!insertmacro ALERT_AFTER_INSTALL")
    set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!insertmacro ALERT_UNINSTALL")
    file(WRITE ${CMAKE_BINARY_DIR}/generated/nsis/NSIS.template.in "${nsis_template}")
    list(PREPEND CMAKE_MODULE_PATH ${CMAKE_BINARY_DIR}/generated/nsis)
else()
    set(CPACK_GENERATOR ZIP)
endif()

include(CPack)
