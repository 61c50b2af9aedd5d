# Cross-building the Windows shell with Debian's mingw-w64 (the POSIX-threads variant, for
# std::thread). MORVANE_WINDOWS_ARCH picks the target: x86_64 (64-bit) or i686 (32-bit, as the
# original game was).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10.0)
if(NOT MORVANE_WINDOWS_ARCH)
    set(MORVANE_WINDOWS_ARCH x86_64)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${MORVANE_WINDOWS_ARCH})
set(_triplet ${MORVANE_WINDOWS_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER ${_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${_triplet}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The program runs wherever Windows does: the C++ runtime and the threads library go inside the
# executable, which then needs only DLLs that every Windows has.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run the built programs under Wine. The 32-bit build skips its unit tests (they are the
# 64-bit ones again) and is played whole instead, where the machine runs 32-bit programs.
if(MORVANE_WINDOWS_ARCH STREQUAL "x86_64")
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/tools/wine-run)
endif()
