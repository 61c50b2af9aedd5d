# Run by CPack between staging the install and building the Debian package. Debian keeps the
# programs of section games in /usr/games (policy 11.11), where a plain install uses bin/.
set(_staged "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT EXISTS "${_staged}/bin/morvane")
    message(FATAL_ERROR "no staged bin/morvane under ${_staged}")
endif()
file(MAKE_DIRECTORY "${_staged}/games")
file(RENAME "${_staged}/bin/morvane" "${_staged}/games/morvane")
# rmdir, not a recursive remove: anything else installed to bin/ must not vanish unnoticed.
execute_process(COMMAND rmdir "${_staged}/bin" COMMAND_ERROR_IS_FATAL ANY)
