# The Windows program: Morvane.exe with its version record and icon, packed as a zip a player
# unpacks anywhere and starts (`cpack --preset windows-x64`).
target_sources(morvane PRIVATE "${MORVANE_WINDOWS_RESOURCE}")
# The name the version record gives as the original file name.
set_target_properties(morvane PROPERTIES OUTPUT_NAME Morvane)

if(MORVANE_WINDOWS_ARCH STREQUAL "i686")
    set(_windows_arch x86)
else()
    set(_windows_arch x64)
endif()
# Texts with Windows line ends, so every Notepad shows them as written.
configure_file(windows-readme.txt.in "${CMAKE_CURRENT_BINARY_DIR}/README.txt" @ONLY NEWLINE_STYLE CRLF)
configure_file("${PROJECT_SOURCE_DIR}/LICENSE" "${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt" @ONLY
    NEWLINE_STYLE CRLF)
install(TARGETS morvane RUNTIME DESTINATION .)
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/README.txt" "${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt"
    DESTINATION .)

set(CPACK_PACKAGE_NAME Morvane)
set(CPACK_PACKAGE_VERSION "${MORVANE_VERSION_TEXT}")
set(CPACK_PACKAGE_FILE_NAME "Morvane-${MORVANE_VERSION_TEXT}-windows-${_windows_arch}")
set(CPACK_GENERATOR ZIP)
# The files sit in one folder named like the zip, so unpacking never scatters them.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
