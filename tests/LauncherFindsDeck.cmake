# SPDX-License-Identifier: MIT
# The command nupenupe starts the game where the player's own deck is, else
# in the game's data folder; it is run here with a "game" that tells where it
# was started.
#   cmake -DSOURCE_DIR=<game> -DBINARY_DIR=<scratch> -P LauncherFindsDeck.cmake
file(REMOVE_RECURSE "${BINARY_DIR}")
set(_data "${BINARY_DIR}/shipped")
set(_exec /bin/pwd)
configure_file("${SOURCE_DIR}/packaging/nupenupe.sh.in" "${BINARY_DIR}/nupenupe" @ONLY)
set(home "${BINARY_DIR}/home")
set(own "${home}/.local/share/nupenupe")
file(MAKE_DIRECTORY "${_data}" "${own}" "${BINARY_DIR}/xdg/nupenupe")

# Runs the command with XDG_DATA_HOME as given ("unset" for none) and fails
# unless the game starts in `expected`.
function(expect_start why xdg expected)
    if(xdg STREQUAL "unset")
        set(xdg_setting --unset=XDG_DATA_HOME)
    else()
        set(xdg_setting "XDG_DATA_HOME=${xdg}")
    endif()
    execute_process(COMMAND "${CMAKE_COMMAND}" -E env "HOME=${home}" ${xdg_setting}
                            sh "${BINARY_DIR}/nupenupe"
                    WORKING_DIRECTORY "${BINARY_DIR}"
                    OUTPUT_VARIABLE started OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
    file(REAL_PATH "${expected}" expected)
    if(NOT result EQUAL 0 OR NOT started STREQUAL expected)
        message(FATAL_ERROR "${why}: the game started in \"${started}\" (status ${result}), "
                            "not in ${expected}")
    endif()
endfunction()

expect_start("without a deck of the player's" unset "${_data}")
file(MAKE_DIRECTORY "${own}/Img.Dat")
expect_start("with a folder named Img.Dat in the player's data folder" unset "${_data}")
file(REMOVE_RECURSE "${own}/Img.Dat")
file(WRITE "${own}/Img.Dat" "a deck")
expect_start("with the player's deck" unset "${own}")
expect_start("with a relative XDG_DATA_HOME, which names no folder" xdg "${own}")
expect_start("with XDG_DATA_HOME without a deck" "${BINARY_DIR}/xdg" "${_data}")
file(WRITE "${BINARY_DIR}/xdg/nupenupe/Img.Dat" "a deck")
expect_start("with a deck in XDG_DATA_HOME" "${BINARY_DIR}/xdg" "${BINARY_DIR}/xdg/nupenupe")

# The game is not handed a relative XDG_DATA_HOME, which it would take as a
# folder below wherever it starts, its ranking with it.
set(_exec /usr/bin/env)
configure_file("${SOURCE_DIR}/packaging/nupenupe.sh.in" "${BINARY_DIR}/nupenupe-env" @ONLY)
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "HOME=${home}" XDG_DATA_HOME=xdg
                        sh "${BINARY_DIR}/nupenupe-env"
                OUTPUT_VARIABLE environment RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR environment MATCHES "(^|\n)XDG_DATA_HOME=")
    message(FATAL_ERROR "the game was handed a relative XDG_DATA_HOME (status ${result})")
endif()
message(STATUS "the command starts the game where the deck is")
file(REMOVE_RECURSE "${BINARY_DIR}")
