# morvane_require_program(VARIABLE NAME PACKAGE): finds the outside program NAME for a test, or
# stops configuring with the Debian package that has it, so a missing tool is named at once and
# not found out halfway through a test run.
function(morvane_require_program variable name package)
    find_program(${variable} ${name} ${ARGN})
    if(NOT ${variable})
        message(FATAL_ERROR "The tests need ${name}, which is not installed (Debian package: "
            "${package}). Install it, or configure with -DMORVANE_SYSTEM_TESTS=OFF.")
    endif()
endfunction()
