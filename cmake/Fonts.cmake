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
    # Windows has the classic face, but not every Windows (nor Wine) has it: the
    # captions would not fit in a substitute.
    if(NOT APPLE)
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
message(STATUS "Carrying Liberation Sans from ${ALERTS_FONT_REGULAR} and ${ALERTS_FONT_BOLD}")

# Subsetting.
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
            # The cut face's own timestamp, not the moment of this run, and the file
            # replaced only when it changed: each configure would otherwise make a
            # new face and rebuild everything that carries it.
            execute_process(COMMAND ${ALERTS_TTX} -q --no-recalc-timestamp -m ${cut}
                    -o ${cut}.named ${cut}.name.ttx
                RESULT_VARIABLE failed ERROR_VARIABLE error)
        endif()
        if(NOT failed)
            file(COPY_FILE ${cut}.named ${out_dir}/${out_name} ONLY_IF_DIFFERENT)
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
