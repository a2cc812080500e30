# SPDX-License-Identifier: MIT
# Fails when a rule reads a header of the windows: every source and header
# below the rules' folders goes through the preprocessor with the flags that
# the build gives its library (from compile_commands.json), and each header
# it reads must lie below those folders (in the sources or the build tree) or
# outside both, and not in Qt Widgets.
#   cmake -DSOURCE_DIR=<game> -DBINARY_DIR=<build tree> -P RulesSeeNoWindow.cmake
cmake_minimum_required(VERSION 3.25)
set(checked 0)
set(library_src/Main/Rules nuperules)
set(library_src/Platform/System nupesystem)
file(READ "${BINARY_DIR}/compile_commands.json" commands)
string(JSON last LENGTH "${commands}")
math(EXPR last "${last} - 1")
foreach(i RANGE ${last})
    string(JSON command GET "${commands}" ${i} command)
    foreach(folder IN ITEMS src/Main/Rules src/Platform/System)
        if(command MATCHES " -o [^ ]*/${library_${folder}}\\.dir/")
            string(JSON directory_${folder} GET "${commands}" ${i} directory)
            # Without the object, the source and a dependency file of its own.
            string(REGEX REPLACE " -c .*$| -(o|MF|MT|MQ) [^ ]+| -MM?D( |$)" " " command "${command}")
            separate_arguments(flags_${folder} UNIX_COMMAND "${command}")
        endif()
    endforeach()
endforeach()

foreach(folder IN ITEMS src/Main/Rules src/Platform/System)
    if(NOT DEFINED flags_${folder})
        message(FATAL_ERROR "no compile command of ${library_${folder}} in ${BINARY_DIR}")
    endif()
    file(GLOB_RECURSE units "${SOURCE_DIR}/${folder}/*.c*" "${SOURCE_DIR}/${folder}/*.h*"
         "${SOURCE_DIR}/${folder}/*.inl")
    foreach(unit IN LISTS units)
        execute_process(COMMAND ${flags_${folder}} -x c++ -M -MT unit "${unit}"
                        WORKING_DIRECTORY "${directory_${folder}}"
                        RESULT_VARIABLE failed OUTPUT_VARIABLE deps ERROR_VARIABLE errors)
        if(failed)
            message(FATAL_ERROR "${unit} does not build with its own flags:\n${errors}")
        endif()
        string(REGEX REPLACE "^unit:|\\\\\n" "" deps "${deps}")
        separate_arguments(deps UNIX_COMMAND "${deps}")
        if(NOT unit IN_LIST deps)
            message(FATAL_ERROR "no list of the headers that ${unit} reads:\n${deps}")
        endif()
        foreach(dep IN LISTS deps)
            # Where it lies: in the build tree, else in the sources, else
            # outside both ("../...").
            cmake_path(ABSOLUTE_PATH dep BASE_DIRECTORY "${directory_${folder}}" NORMALIZE)
            cmake_path(RELATIVE_PATH dep BASE_DIRECTORY "${BINARY_DIR}" OUTPUT_VARIABLE place)
            if(place MATCHES "^\\.\\./")
                cmake_path(RELATIVE_PATH dep BASE_DIRECTORY "${SOURCE_DIR}" OUTPUT_VARIABLE place)
            endif()
            if(dep MATCHES "/QtWidgets/" OR
               NOT place MATCHES "^(\\.\\./|src/Main/Rules/|src/Platform/System/)")
                message(FATAL_ERROR "${unit} reads a header of the windows or from outside the rules: ${dep}")
            endif()
        endforeach()
        math(EXPR checked "${checked} + 1")
    endforeach()
endforeach()
message(STATUS "${checked} files of the rules read no window header")
