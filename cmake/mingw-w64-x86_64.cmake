# Cross-builds quorvex for 64-bit Windows with the mingw-w64 compilers of the
# posix thread model, and runs the test executables through Wine.
#
#   cmake -S . -B build/windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# The posix thread model is the one whose libstdc++ has std::thread and
# std::mutex, which GoogleTest uses. The top-level CMakeLists links the
# executables statically, so quorvex.exe needs no DLL of the toolchain.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORVEX_MINGW_TRIPLE x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${QUORVEX_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${QUORVEX_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${QUORVEX_MINGW_TRIPLE}-windres)
find_program(CMAKE_AR NAMES ${QUORVEX_MINGW_TRIPLE}-gcc-ar-posix ${QUORVEX_MINGW_TRIPLE}-ar)
find_program(CMAKE_RANLIB NAMES ${QUORVEX_MINGW_TRIPLE}-gcc-ranlib-posix ${QUORVEX_MINGW_TRIPLE}-ranlib)

# Headers and libraries come from the mingw-w64 sysroot only; programs that
# run during the build come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs every test command through Wine. The 64-bit launcher is
# /usr/lib/wine/wine64 on Debian; elsewhere it is on the PATH.
find_program(QUORVEX_WINE
  NAMES wine64 wine
  PATHS /usr/lib/wine /usr/lib64/wine /opt/wine-stable/bin
  DOC "The Wine launcher that runs the Windows test executables")
if(QUORVEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVEX_WINE})
  # A program started in a Wine prefix that does not exist yet makes the
  # prefix and then fails to start; so make it here, once, before any test
  # runs (scripts/windows-env.sh does the same). system.reg is written last.
  if(DEFINED ENV{WINEPREFIX})
    set(quorvex_wine_prefix "$ENV{WINEPREFIX}")
  else()
    set(quorvex_wine_prefix "$ENV{HOME}/.wine")
  endif()
  if(NOT CMAKE_IN_TRY_COMPILE AND NOT EXISTS "${quorvex_wine_prefix}/system.reg")
    message(STATUS "Creating the Wine prefix ${quorvex_wine_prefix}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E env WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
                            ${QUORVEX_WINE} wineboot -i
                    OUTPUT_QUIET ERROR_QUIET TIMEOUT 300)
    get_filename_component(quorvex_wine_dir ${QUORVEX_WINE} DIRECTORY)
    find_program(QUORVEX_WINESERVER NAMES wineserver HINTS ${quorvex_wine_dir})
    if(QUORVEX_WINESERVER)
      execute_process(COMMAND ${QUORVEX_WINESERVER} -w OUTPUT_QUIET ERROR_QUIET TIMEOUT 300)
    endif()
  endif()
else()
  message(WARNING "No Wine launcher found: the Windows tests can be built but not run")
endif()
