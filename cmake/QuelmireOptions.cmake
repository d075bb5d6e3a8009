# Compiler flags shared by every target of ours: warnings, sanitizers, and the
# helper that declares one library per subsystem folder.

add_library(quelmire_flags INTERFACE)
target_compile_options(quelmire_flags INTERFACE -Wall -Wextra)
if(QUELMIRE_WERROR)
  target_compile_options(quelmire_flags INTERFACE -Werror)
endif()

if(QUELMIRE_SANITIZE STREQUAL "address")
  set(_sanitize -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
elseif(QUELMIRE_SANITIZE STREQUAL "thread")
  set(_sanitize -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT QUELMIRE_SANITIZE STREQUAL "")
  message(FATAL_ERROR "QUELMIRE_SANITIZE must be empty, 'address' or 'thread'")
endif()
if(_sanitize)
  target_compile_options(quelmire_flags INTERFACE ${_sanitize})
  target_link_options(quelmire_flags INTERFACE ${_sanitize})
endif()

find_package(Threads REQUIRED)
target_link_libraries(quelmire_flags INTERFACE Threads::Threads)

# quelmire_library(<name> SOURCES ... DEPENDS ...): one static library for one
# subsystem folder; headers are included as "<folder>/<file>.h" from the root.
function(quelmire_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC quelmire_flags ${ARG_DEPENDS})
endfunction()
