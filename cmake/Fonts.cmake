# SPDX-License-Identifier: MIT
# The windows are laid out in Liberation Sans, so the program carries that face
# (regular and bold) instead of trusting whatever a machine substitutes. The
# files come from the build machine: Liberation 2, under the SIL Open Font
# License, which allows bundling a font with software. Older Liberation releases
# are GPL and are refused. A folder's name does not tell the two apart (Debian 12
# keeps 1.07 in .../truetype/liberation, Debian 13 keeps 2.1 there), so the
# choice rests on the license each font file states in its name table.
#
# Sets ALERTS_FONT_QRC (a resource file to compile into the program, or empty)
# and ALERTS_FONT_LICENSE (the fonts' license text, or empty).
set(ALERTS_FONT_DIR "" CACHE PATH "Folder holding LiberationSans-Regular.ttf and LiberationSans-Bold.ttf (Liberation 2)")

set(font_dirs ${ALERTS_FONT_DIR}
    /usr/share/fonts/truetype/liberation2 # Debian 12, Ubuntu
    /usr/share/fonts/truetype/liberation  # Debian 13
    /usr/share/fonts/liberation-sans      # Fedora
    /usr/share/fonts/liberation           # Arch, openSUSE
    /usr/share/fonts/TTF)
list(REMOVE_DUPLICATES font_dirs)
set(license_dirs ${ALERTS_FONT_DIR}
    /usr/share/doc/fonts-liberation2
    /usr/share/doc/fonts-liberation
    /usr/share/licenses/liberation-sans-fonts
    /usr/share/licenses/liberation-fonts
    /usr/share/licenses/ttf-liberation)

# The first folder whose two faces both state the Open Font License.
set(ALERTS_FONT_REGULAR "")
set(ALERTS_FONT_BOLD "")
set(refused "")
foreach(dir IN LISTS font_dirs)
    if(NOT EXISTS ${dir}/LiberationSans-Regular.ttf OR NOT EXISTS ${dir}/LiberationSans-Bold.ttf)
        continue()
    endif()
    file(STRINGS ${dir}/LiberationSans-Regular.ttf ofl_regular REGEX "SIL Open Font License" LIMIT_COUNT 1)
    file(STRINGS ${dir}/LiberationSans-Bold.ttf ofl_bold REGEX "SIL Open Font License" LIMIT_COUNT 1)
    if(ofl_regular AND ofl_bold)
        set(ALERTS_FONT_REGULAR ${dir}/LiberationSans-Regular.ttf)
        set(ALERTS_FONT_BOLD ${dir}/LiberationSans-Bold.ttf)
        break()
    endif()
    file(STRINGS ${dir}/LiberationSans-Regular.ttf version REGEX "^Version [0-9.]+" LIMIT_COUNT 1)
    list(APPEND refused "${dir} (${version})")
endforeach()

# The license text that goes with them: the first that is the Open Font License.
set(ALERTS_FONT_LICENSE "")
foreach(dir IN LISTS license_dirs)
    foreach(name IN ITEMS copyright LICENSE OFL.txt)
        if(NOT ALERTS_FONT_LICENSE AND EXISTS ${dir}/${name})
            file(STRINGS ${dir}/${name} ofl REGEX "Open Font License" LIMIT_COUNT 1)
            if(ofl)
                set(ALERTS_FONT_LICENSE ${dir}/${name})
            endif()
        endif()
    endforeach()
endforeach()

set(font_problem "")
if(NOT ALERTS_FONT_REGULAR)
    set(font_problem "no LiberationSans-Regular.ttf and LiberationSans-Bold.ttf under the SIL Open Font License were found")
    if(refused)
        list(JOIN refused ", " refused_list)
        string(APPEND font_problem " (refused, not under that license: ${refused_list})")
    endif()
elseif(NOT ALERTS_FONT_LICENSE)
    set(font_problem "the license text of ${ALERTS_FONT_REGULAR}, the SIL Open Font License, was not found")
endif()

set(ALERTS_FONT_QRC "")
if(font_problem)
    set(font_help "Install Liberation 2 (Debian 12: fonts-liberation2; Debian 13: fonts-liberation), or set ALERTS_FONT_DIR to the folder holding the fonts and their license")
    if(UNIX AND NOT APPLE)
        message(FATAL_ERROR "The windows' font cannot be carried: ${font_problem}. ${font_help}.")
    endif()
    message(STATUS "Building without the Liberation Sans font (${font_problem}); the windows use the system's fonts")
    set(ALERTS_FONT_LICENSE "")
    return()
endif()

if(refused)
    list(JOIN refused ", " refused)
    message(STATUS "Not carrying the Liberation Sans of ${refused}: not under the SIL Open Font License")
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
