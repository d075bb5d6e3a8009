# Cross-compiles for 64-bit Windows with mingw-w64 on a Debian build machine.
#
# Only the "-posix" thread model compilers give std::thread and std::mutex; every
# program is linked -static, so an exe needs nothing beyond the DLLs Windows ships.
# SDL2, libogg, libvorbis and GoogleTest come from the prefix that scripts/windows.sh
# builds (QUELMIRE_WINDOWS_DEPS in the environment, else build/windows-deps/prefix).
# Programs built here run under Wine: CTest and the test discovery go through it.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_AR ${_triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${_triple}-gcc-ranlib-posix CACHE FILEPATH "")

get_filename_component(_repo "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
if(DEFINED ENV{QUELMIRE_WINDOWS_DEPS})
  set(_deps "$ENV{QUELMIRE_WINDOWS_DEPS}")
else()
  set(_deps "${_repo}/build/windows-deps/prefix")
endif()

# Headers, libraries and CMake packages from the mingw sysroot and our prefix only;
# programs (pkg-config, the compilers) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${_triple} "${_deps}")
set(CMAKE_PREFIX_PATH "${_deps}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads only our prefix's .pc files, with the libraries a static link
# needs (vorbisfile pulls in vorbis and ogg).
set(ENV{PKG_CONFIG_LIBDIR} "${_deps}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_ARGN --static CACHE STRING "Arguments pkg-config gets for a static link")

# No link time in the PE header: the zip of one commit is the same every time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")

# One Wine prefix per checkout, beside the dependencies. Wine's notes on what it has not
# implemented are silenced, its errors are not: a test that Wine fails to start then says
# why in its output instead of failing with none (passing runs print no such line).
set(QUELMIRE_WINEPREFIX "${_repo}/build/windows-wine" CACHE PATH "Wine prefix the tests run in")
set(CMAKE_CROSSCOMPILING_EMULATOR
    env WINEPREFIX=${QUELMIRE_WINEPREFIX} WINEDEBUG=fixme-all WINEDLLOVERRIDES=winemenubuilder.exe=d
    ${_repo}/scripts/windows/wine64)
