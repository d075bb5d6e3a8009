# libmysofa, the reader of HRTF sets in the SOFA format, as the imported target
# Mysofa::mysofa, and QUELMIRE_HRTF_SET: the file of the set the binaural renderer loads
# by default, on the build machine.
#
# Linux: Debian's libmysofa-dev, found by pkg-config and linked shared. The set is the
# one libmysofa1 installs, /usr/share/libmysofa/default.sofa, read where it is.
# Windows (cross build): the static library that scripts/windows/deps.sh builds into the
# dependency prefix, found through the same pkg-config file (the toolchain file points
# pkg-config at the prefix and asks for a static link: -lmysofa -lz -lm). The set is
# libmysofa's own share/default.sofa from that prefix, copied to run/hrtf/default.sofa
# beside the programs; the zip takes it from there.
include_guard(GLOBAL)

find_package(PkgConfig REQUIRED)
pkg_check_modules(MYSOFA REQUIRED IMPORTED_TARGET GLOBAL libmysofa)
add_library(Mysofa::mysofa ALIAS PkgConfig::MYSOFA)

find_file(QUELMIRE_HRTF_SET default.sofa PATH_SUFFIXES share/libmysofa
  DOC "The HRTF set (SOFA) the binaural renderer loads by default")
if(NOT QUELMIRE_HRTF_SET)
  message(FATAL_ERROR "libmysofa's default HRTF set (share/libmysofa/default.sofa) was not "
                      "found: on Linux it comes with libmysofa1 (scripts/ensure-packages.sh), "
                      "for Windows scripts/windows.sh builds it into the dependency prefix")
endif()

if(WIN32)
  # default.sofa is a link to the set's own file: the copy takes the file's bytes.
  get_filename_component(_hrtf_file "${QUELMIRE_HRTF_SET}" REALPATH)
  set(_hrtf_copy "${CMAKE_BINARY_DIR}/run/hrtf/default.sofa")
  add_custom_command(
    OUTPUT "${_hrtf_copy}"
    COMMAND "${CMAKE_COMMAND}" -E copy "${_hrtf_file}" "${_hrtf_copy}"
    DEPENDS "${_hrtf_file}"
    COMMENT "Copying the HRTF set beside the programs"
    VERBATIM)
  add_custom_target(quelmire_hrtf ALL DEPENDS "${_hrtf_copy}")
endif()
