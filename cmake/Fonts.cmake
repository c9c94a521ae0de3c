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
find_file(ALERTS_FONT_REGULAR LiberationSans-Regular.ttf HINTS ${font_hints} NO_DEFAULT_PATH)
find_file(ALERTS_FONT_BOLD LiberationSans-Bold.ttf HINTS ${font_hints} NO_DEFAULT_PATH)
find_file(ALERTS_FONT_LICENSE NAMES copyright LICENSE OFL.txt
    HINTS ${ALERTS_FONT_DIR}
        /usr/share/doc/fonts-liberation2
        /usr/share/licenses/liberation-sans-fonts
        /usr/share/licenses/liberation-fonts
        /usr/share/licenses/ttf-liberation
    NO_DEFAULT_PATH)

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
    if(UNIX AND NOT APPLE)
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

# --- Subsetting ------------------------------------------------------------------
# The windows can only ever show their captions and text decoded from
# Windows-1252, so the program carries only those glyphs of the two faces: a
# tenth of their size, and of the memory Qt keeps them in. Kerning and hinting
# stay. A cut-down face is a Modified Version under the OFL, which may not bear
# the Reserved Font Name "Liberation", so it is named "Alerts Sans"; the program
# asks for whichever family its files hold. Runs on the build host at configure
# time with fontTools (Debian's fonttools); without it the faces go in whole.
#
# alerts_subset_fonts(OUT_DIR FACE_VAR...) sets each variable, a face's file, to
# the cut-down file in OUT_DIR, or leaves it as it is.
option(ALERTS_FONT_SUBSET "Carry only the glyphs the windows can show (needs fontTools)" ON)
function(alerts_subset_fonts out_dir)
    if(NOT ALERTS_FONT_SUBSET)
        return()
    endif()
    find_program(ALERTS_PYFTSUBSET pyftsubset)
    find_program(ALERTS_TTX ttx)
    if(NOT ALERTS_PYFTSUBSET OR NOT ALERTS_TTX)
        message(STATUS "Carrying the faces whole: pyftsubset and ttx (fontTools) were not found")
        return()
    endif()
    # Windows-1252: ASCII, Latin-1 and the 27 characters of 0x80-0x9F.
    set(unicodes U+0020-007E U+00A0-00FF U+20AC U+201A U+0192 U+201E U+2026 U+2020 U+2021
        U+02C6 U+2030 U+0160 U+2039 U+0152 U+017D U+2018 U+2019 U+201C U+201D U+2022 U+2013
        U+2014 U+02DC U+2122 U+0161 U+203A U+0153 U+017E U+0178)
    list(JOIN unicodes "," unicodes)
    # And whatever the captions use (all of it within Windows-1252 today).
    file(GLOB captions ${PROJECT_SOURCE_DIR}/src/ui/*.ui ${PROJECT_SOURCE_DIR}/src/ui/*.cpp
        ${PROJECT_SOURCE_DIR}/src/core/ticker.cpp)
    set(text_files "")
    foreach(file IN LISTS captions)
        list(APPEND text_files --text-file=${file})
    endforeach()
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${captions})

    file(MAKE_DIRECTORY ${out_dir})
    foreach(var IN LISTS ARGN)
        set(face ${${var}})
        set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${face})
        get_filename_component(name ${face} NAME)
        string(REPLACE "Liberation" "Alerts" out_name ${name})
        set(cut ${out_dir}/cut-${name})
        execute_process(COMMAND ${ALERTS_PYFTSUBSET} ${face} --output-file=${cut}
                --unicodes=${unicodes} ${text_files}
                --layout-features=* --legacy-kern --hinting --notdef-outline
                --name-IDs=* --name-languages=*
            RESULT_VARIABLE failed ERROR_VARIABLE error)
        # The new name, in every record that names the family.
        if(NOT failed)
            execute_process(COMMAND ${ALERTS_TTX} -q -t name -o ${cut}.name.ttx ${cut}
                RESULT_VARIABLE failed ERROR_VARIABLE error)
        endif()
        if(NOT failed)
            file(READ ${cut}.name.ttx names)
            string(REPLACE "Liberation Sans" "Alerts Sans" names "${names}")
            string(REPLACE "LiberationSans" "AlertsSans" names "${names}")
            file(WRITE ${cut}.name.ttx "${names}")
            execute_process(COMMAND ${ALERTS_TTX} -q -m ${cut} -o ${out_dir}/${out_name} ${cut}.name.ttx
                RESULT_VARIABLE failed ERROR_VARIABLE error)
        endif()
        if(failed)
            message(FATAL_ERROR "Cutting down ${face} failed: ${error}")
        endif()
        file(SIZE ${face} before)
        file(SIZE ${out_dir}/${out_name} after)
        message(STATUS "Carrying ${out_name}: ${name} cut down to Windows-1252, ${before} -> ${after} bytes")
        set(${var} ${out_dir}/${out_name} PARENT_SCOPE)
    endforeach()
endfunction()

alerts_subset_fonts(${CMAKE_BINARY_DIR}/generated/fonts ALERTS_FONT_REGULAR ALERTS_FONT_BOLD)
file(CONFIGURE OUTPUT ${ALERTS_FONT_QRC} CONTENT [[<!DOCTYPE RCC>
<RCC version="1.0">
 <qresource prefix="/alerts/fonts">
  <file alias="Regular.ttf">${ALERTS_FONT_REGULAR}</file>
  <file alias="Bold.ttf">${ALERTS_FONT_BOLD}</file>
 </qresource>
</RCC>
]])
# --- end of subsetting -------------------------------------------------------------
