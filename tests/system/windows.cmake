# The Windows program from outside: the executable as a player downloads it, and the real
# Morvane.exe played under Wine on an X server of its own with real X input.
morvane_require_program(MORVANE_DEBIAN_PYTHON python3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
string(REPLACE "_" "-" _binutils binutils-mingw-w64-${MORVANE_WINDOWS_ARCH})
morvane_require_program(MORVANE_OBJDUMP ${MORVANE_WINDOWS_ARCH}-w64-mingw32-objdump ${_binutils})
morvane_require_program(MORVANE_WRESTOOL wrestool icoutils)
morvane_require_program(MORVANE_XVFB Xvfb xvfb)
morvane_require_program(MORVANE_XDOTOOL xdotool xdotool)

add_test(NAME windows_executable_test
    COMMAND ${MORVANE_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/windows_executable_test.py
        --exe $<TARGET_FILE:morvane> --arch ${MORVANE_WINDOWS_ARCH} --objdump ${MORVANE_OBJDUMP}
        --cpack ${CMAKE_CPACK_COMMAND} --build-dir ${PROJECT_BINARY_DIR}
        --version-text ${MORVANE_VERSION_TEXT})
set_tests_properties(windows_executable_test PROPERTIES LABELS packaging TIMEOUT 120)

# The 32-bit program plays in a 32-bit prefix, through Wine's 32-bit half, which needs a machine
# that runs 32-bit programs: elsewhere the test finds that out and is reported as skipped.
if(MORVANE_WINDOWS_ARCH STREQUAL "i686")
    set(_wine_arch win32)
    set(_needs_32_bit --needs-32-bit ${PROJECT_SOURCE_DIR}/scripts/runs-32-bit.sh)
else()
    set(_wine_arch win64)
    set(_needs_32_bit)
endif()
add_test(NAME wine_play_test
    COMMAND ${MORVANE_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/wine_play_test.py
        --game $<TARGET_FILE:morvane> --probe $<TARGET_FILE:window_probe>
        --wine-run ${PROJECT_SOURCE_DIR}/tests/tools/wine-run ${_needs_32_bit})
set_tests_properties(wine_play_test PROPERTIES LABELS wine TIMEOUT 180 SKIP_RETURN_CODE 77
    ENVIRONMENT "PYTHONPATH=${PROJECT_SOURCE_DIR}/tests/tools;WINEARCH=${_wine_arch}")

# A run's end in the X server's input time, quiet and busy (the X input probe sends the clicks
# and reads their times). Its busy trial keeps every CPU busy for a quarter of a minute, so it
# takes turns with the tests that make windows on the shared display and wait for their focus.
if(MORVANE_WINDOWS_ARCH STREQUAL "x86_64")
    add_test(NAME wine_input_time_test
        COMMAND ${MORVANE_DEBIAN_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/wine_input_time_test.py
            --game $<TARGET_FILE:morvane> --probe $<TARGET_FILE:window_probe>
            --xprobe $<TARGET_PROPERTY:host_xprobe,MORVANE_PROGRAM>
            --wine-run ${PROJECT_SOURCE_DIR}/tests/tools/wine-run)
    set_tests_properties(wine_input_time_test PROPERTIES LABELS wine TIMEOUT 300
        RESOURCE_LOCK wine_display
        ENVIRONMENT "PYTHONPATH=${PROJECT_SOURCE_DIR}/tests/tools;PYTHONDONTWRITEBYTECODE=1")
endif()
