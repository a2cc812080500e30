# SPDX-License-Identifier: MIT
# Configures the game as a new player or a distribution would, with
# `cmake -S <source> -B <dir>` and no options, and fails when a compile
# command of that tree turns warnings into errors.
#   cmake -DSOURCE_DIR=<game> -DBINARY_DIR=<scratch> -P PlainConfigure.cmake
file(REMOVE_RECURSE "${BINARY_DIR}")
execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${BINARY_DIR}"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the plain configure failed:\n${errors}")
endif()
file(STRINGS "${BINARY_DIR}/compile_commands.json" entry REGEX "\"command\": .*src/main\\.cpp")
if(NOT entry)
    message(FATAL_ERROR "no compile command for the game's entry in ${BINARY_DIR}")
endif()
file(STRINGS "${BINARY_DIR}/compile_commands.json" werror REGEX "-Werror")
if(werror)
    list(GET werror 0 first)
    message(FATAL_ERROR "a plain configure treats warnings as errors:\n${first}")
endif()
file(REMOVE_RECURSE "${BINARY_DIR}")
