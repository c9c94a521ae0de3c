# SPDX-License-Identifier: MIT
# The DLLs a Windows program built here loads that Windows itself does not have:
# Qt's, the MinGW runtime's, and the Qt plugins the program needs. A cross build
# has no windeployqt; the DLLs are found by walking the PE import tables with
# objdump, the program's and those of each DLL found.
#
# Sets ALERTS_WINDOWS_RUNTIME_DIRS (the folders that hold those DLLs) and
# defines alerts_install_windows_runtime(), which installs them beside alerts.exe.
if(NOT WIN32 OR NOT CMAKE_CROSSCOMPILING)
    return()
endif()

find_program(ALERTS_PE_OBJDUMP NAMES x86_64-w64-mingw32-objdump REQUIRED)

# Where the DLLs lie: Qt's bin folder and the compiler's runtime folders.
get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(qt_bin_dir "${qt_core_dll}" DIRECTORY)
set(runtime_dirs ${qt_bin_dir})
foreach(dll IN ITEMS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(IS_ABSOLUTE "${found}")
        get_filename_component(dir "${found}" DIRECTORY)
        list(APPEND runtime_dirs "${dir}")
    endif()
endforeach()
list(REMOVE_DUPLICATES runtime_dirs)
set(ALERTS_WINDOWS_RUNTIME_DIRS ${runtime_dirs})

function(alerts_install_windows_runtime)
    # The platform plugin; the native widget style; the .ico reader for the
    # popup's pointer picture.
    set(qt_plugins_dir ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
    set(plugins platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qico.dll)
    foreach(plugin IN LISTS plugins)
        get_filename_component(folder ${plugin} DIRECTORY)
        install(FILES ${qt_plugins_dir}/${plugin} DESTINATION ${folder})
    endforeach()

    install(CODE "
    set(objdump [[${ALERTS_PE_OBJDUMP}]])
    set(strip [[${CMAKE_STRIP}]])
    set(dirs [[${ALERTS_WINDOWS_RUNTIME_DIRS}]])
    set(pending \"\${CMAKE_INSTALL_PREFIX}/alerts.exe\")
    foreach(plugin ${plugins})
        list(APPEND pending \"\${CMAKE_INSTALL_PREFIX}/\${plugin}\")
    endforeach()
    set(seen)
    while(pending)
        list(POP_FRONT pending file)
        execute_process(COMMAND \${objdump} -p \${file} OUTPUT_VARIABLE dump COMMAND_ERROR_IS_FATAL ANY)
        string(REGEX MATCHALL \"DLL Name: [^\\r\\n]+\" names \"\${dump}\")
        foreach(entry IN LISTS names)
            string(REPLACE \"DLL Name: \" \"\" name \"\${entry}\")
            string(TOLOWER \"\${name}\" key)
            list(FIND seen \"\${key}\" index)
            if(index GREATER -1)
                continue()
            endif()
            list(APPEND seen \"\${key}\")
            # Not found in these folders: one of Windows' own.
            find_file(dll_\${key} \"\${name}\" PATHS \${dirs} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
            if(dll_\${key})
                file(INSTALL \"\${dll_\${key}}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}\")
                # The MinGW runtime comes with its symbols: a third of the folder.
                execute_process(COMMAND \${strip} --strip-unneeded \"\${CMAKE_INSTALL_PREFIX}/\${name}\")
                list(APPEND pending \"\${CMAKE_INSTALL_PREFIX}/\${name}\")
            endif()
        endforeach()
    endwhile()
")
endfunction()
