# SPDX-License-Identifier: MIT
# The windows are laid out in Liberation Sans, so the program carries that face
# (regular and bold) instead of trusting whatever a machine substitutes. The
# files come from the build machine: Liberation 2, under the SIL Open Font
# License, which allows bundling a font with software. Debian's package is
# fonts-liberation2; older Liberation releases are GPL and are refused.
#
# Sets ALERTS_FONT_QRC (a resource file to compile into the program, or empty)
# and ALERTS_FONT_LICENSE (the fonts' license text, or empty).
set(ALERTS_FONT_DIR "" CACHE PATH "Folder holding LiberationSans-Regular.ttf and LiberationSans-Bold.ttf (Liberation 2)")

set(font_hints ${ALERTS_FONT_DIR}
    /usr/share/fonts/truetype/liberation2 # Debian, Ubuntu
    /usr/share/fonts/liberation-sans      # Fedora
    /usr/share/fonts/liberation           # Arch, openSUSE
    /usr/share/fonts/TTF)
# The build machine's files, also when cross-compiling: not under the target's root.
find_file(ALERTS_FONT_REGULAR LiberationSans-Regular.ttf HINTS ${font_hints}
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_file(ALERTS_FONT_BOLD LiberationSans-Bold.ttf HINTS ${font_hints}
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_file(ALERTS_FONT_LICENSE NAMES copyright LICENSE OFL.txt
    HINTS ${ALERTS_FONT_DIR}
        /usr/share/doc/fonts-liberation2
        /usr/share/licenses/liberation-sans-fonts
        /usr/share/licenses/liberation-fonts
        /usr/share/licenses/ttf-liberation
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)

set(font_problem "")
if(NOT ALERTS_FONT_REGULAR OR NOT ALERTS_FONT_BOLD)
    set(font_problem "LiberationSans-Regular.ttf and LiberationSans-Bold.ttf were not found")
elseif(NOT ALERTS_FONT_LICENSE)
    set(font_problem "the license of ${ALERTS_FONT_REGULAR} was not found")
else()
    file(STRINGS ${ALERTS_FONT_LICENSE} ofl REGEX "Open Font License" LIMIT_COUNT 1)
    if(NOT ofl)
        set(font_problem "${ALERTS_FONT_LICENSE} is not the SIL Open Font License (Liberation 1.x is GPL; Liberation 2 is needed)")
    endif()
endif()

set(ALERTS_FONT_QRC "")
if(font_problem)
    set(font_help "Install Debian's fonts-liberation2 (or your system's Liberation 2 fonts), or set ALERTS_FONT_DIR to the folder holding them and their license")
    # Windows has the classic face, but not every Windows (nor Wine) has it: the
    # captions would not fit in a substitute.
    if(NOT APPLE)
        message(FATAL_ERROR "The windows' font cannot be carried: ${font_problem}. ${font_help}.")
    endif()
    message(STATUS "Building without the Liberation Sans font (${font_problem}); the windows use the system's fonts")
    set(ALERTS_FONT_LICENSE "")
    return()
endif()

set(ALERTS_FONT_QRC ${CMAKE_BINARY_DIR}/generated/fonts.qrc)
file(CONFIGURE OUTPUT ${ALERTS_FONT_QRC} CONTENT [[<!DOCTYPE RCC>
<RCC version="1.0">
 <qresource prefix="/alerts/fonts">
  <file alias="LiberationSans-Regular.ttf">${ALERTS_FONT_REGULAR}</file>
  <file alias="LiberationSans-Bold.ttf">${ALERTS_FONT_BOLD}</file>
 </qresource>
</RCC>
]])
message(STATUS "Carrying Liberation Sans from ${ALERTS_FONT_REGULAR} and ${ALERTS_FONT_BOLD}")
