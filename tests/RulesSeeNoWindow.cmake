# SPDX-License-Identifier: MIT
# Fails when a rule reads a header of the windows: every source and header
# of the rules' folders goes through the preprocessor with the flags the build
# gives that folder (from compile_commands.json), and each header it reads
# must lie in those folders or outside the game's sources, and not in Qt
# Widgets.
#   cmake -DSOURCE_DIR=<game> -DBINARY_DIR=<build tree> -P RulesSeeNoWindow.cmake
cmake_minimum_required(VERSION 3.25)
set(checked 0)
set(allowed "${SOURCE_DIR}/src/Main/Rules" "${SOURCE_DIR}/src/Platform/System")
file(READ "${BINARY_DIR}/compile_commands.json" commands)
string(JSON last LENGTH "${commands}")
math(EXPR last "${last} - 1")
foreach(i RANGE ${last})
    string(JSON file GET "${commands}" ${i} file)
    cmake_path(GET file PARENT_PATH folder)
    if(folder IN_LIST allowed)
        string(JSON directory_${folder} GET "${commands}" ${i} directory)
        string(JSON command GET "${commands}" ${i} command)
        # The flags without "-o <object> -c <source>".
        separate_arguments(flags_${folder} UNIX_COMMAND "${command}")
        list(FIND flags_${folder} "-o" at)
        list(REMOVE_AT flags_${folder} ${at})
        list(REMOVE_AT flags_${folder} ${at})
        list(POP_BACK flags_${folder})
        list(REMOVE_ITEM flags_${folder} "-c")
    endif()
endforeach()
foreach(folder IN LISTS allowed)
    if(NOT DEFINED flags_${folder})
        message(FATAL_ERROR "no compile command for ${folder} in ${BINARY_DIR}")
    endif()
    file(GLOB units "${folder}/*.cpp" "${folder}/*.h")
    foreach(unit IN LISTS units)
        execute_process(COMMAND ${flags_${folder}} -x c++ -M "${unit}"
                        WORKING_DIRECTORY "${directory_${folder}}"
                        RESULT_VARIABLE failed OUTPUT_VARIABLE deps ERROR_VARIABLE errors)
        if(failed)
            message(FATAL_ERROR "${unit} does not build with its own flags:\n${errors}")
        endif()
        string(REGEX REPLACE "^[^:]*:|\\\\\n" "" deps "${deps}")
        separate_arguments(deps UNIX_COMMAND "${deps}")
        foreach(dep IN LISTS deps)
            cmake_path(ABSOLUTE_PATH dep BASE_DIRECTORY "${directory_${folder}}" NORMALIZE)
            cmake_path(GET dep PARENT_PATH dep_folder)
            string(FIND "${dep}" "${SOURCE_DIR}/" in_sources)
            if(dep MATCHES "/QtWidgets/" OR (in_sources EQUAL 0 AND NOT dep_folder IN_LIST allowed))
                message(FATAL_ERROR "${unit} reads a window header: ${dep}")
            endif()
        endforeach()
        math(EXPR checked "${checked} + 1")
    endforeach()
endforeach()
message(STATUS "${checked} files of the rules read no window header")
