# Include direction: lower layers never include higher ones.
#   cmake -DSOURCE_DIR=<repo> -P cmake/check_include_direction.cmake
# Prints each include that runs up the layers (or names SDL outside host/) and fails when
# there is one; otherwise one line with what it read. Run by CTest as IncludeDirection.
#
# The layers, each with what it may include besides itself:
#   runtime   nothing of ours
#   platform  runtime
#   input     platform, runtime   (the one sideways arrow: the mouse reads the screen's
#                                  size and hears when it closes)
#   audio     runtime
#   game      audio, input, platform, runtime
#   host      game, audio, input, platform, runtime: the composition root, with main
# tests/, bench/, fuzz/ and tools/ sit above everything and may include any of it.
# Only host/ (and its tests) may include SDL. The game calls each lower layer through the
# header it calls (runtime/runtime.h, platform/platform.h, input/input.h, audio/sound.h
# ...), never through the start-up headers that a host fills (listed below).
cmake_minimum_required(VERSION 3.16)

set(allowed_runtime "")
set(allowed_platform runtime)
set(allowed_input platform runtime)
set(allowed_audio runtime)
set(allowed_game audio input platform runtime)
set(allowed_host game audio input platform runtime)
set(layers runtime platform input audio game host)
set(startup_headers runtime/clock_seam.h runtime/thread_seam.h platform/window_system.h
    platform/speech.h input/input_source.h audio/audio_output.h)
set(ours runtime platform input audio game host tests bench fuzz tools)

set(faults "")
set(files_read 0)
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
  foreach(source IN LISTS sources)
    math(EXPR files_read "${files_read} + 1")
    file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*)[\">].*$" "\\1" target
                           "${line}")
      if(target MATCHES "^SDL" AND NOT layer STREQUAL "host")
        list(APPEND faults "${name}: includes ${target}: only host/ includes SDL")
      endif()
      if(layer STREQUAL "game" AND target IN_LIST startup_headers)
        list(APPEND faults "${name}: includes ${target}: a host's start-up header")
      endif()
      if(NOT target MATCHES "^([a-z]+)/")
        continue()
      endif()
      set(folder "${CMAKE_MATCH_1}")
      if(folder STREQUAL layer OR NOT folder IN_LIST ours)
        continue()
      endif()
      if(NOT folder IN_LIST allowed_${layer})
        list(APPEND faults "${name}: includes ${target}: ${layer} may not include ${folder}")
      endif()
    endforeach()
  endforeach()
endforeach()

# Tests of the SDL host may include SDL too; every other test, tool and benchmark may not.
foreach(top tests bench fuzz tools)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${top}/*.h" "${SOURCE_DIR}/${top}/*.cpp")
  foreach(source IN LISTS sources)
    math(EXPR files_read "${files_read} + 1")
    file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
    if(name MATCHES "^tests/host/")
      continue()
    endif()
    file(STRINGS "${source}" sdl REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]SDL")
    if(sdl)
      list(APPEND faults "${name}: includes SDL: only host/ includes SDL")
    endif()
  endforeach()
endforeach()

if(faults)
  foreach(fault IN LISTS faults)
    message(STATUS "${fault}")
  endforeach()
  list(LENGTH faults count)
  message(FATAL_ERROR "include direction: ${count} include(s) run up the layers")
endif()
# A check that read nothing (SOURCE_DIR not given, or wrong) would pass whatever the tree.
if(files_read EQUAL 0)
  message(FATAL_ERROR "include direction: no source files under '${SOURCE_DIR}'")
endif()
message(STATUS "include direction: ${files_read} files read, no include runs up the layers")
