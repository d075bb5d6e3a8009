# The sound asset tree of a cross build. The generator is a build-machine tool: its
# bytes are the same on every build, so a cross build runs none of its own and copies
# the tree that a native build made into its run folder, beside the programs.
set(QUELMIRE_ASSETS_FROM "" CACHE PATH "A native build's run/assets folder, for a cross build")
if(NOT IS_DIRECTORY "${QUELMIRE_ASSETS_FROM}")
  message(FATAL_ERROR "A cross build needs QUELMIRE_ASSETS_FROM: the run/assets folder of a "
                      "native build (scripts/windows.sh makes one in build/release)")
endif()

# Copied whenever the build runs, and cleared first so that no removed file stays.
set(_assets "${CMAKE_BINARY_DIR}/run/assets")
add_custom_target(quelmire_assets ALL
  COMMAND "${CMAKE_COMMAND}" -E rm -rf "${_assets}"
  COMMAND "${CMAKE_COMMAND}" -E copy_directory "${QUELMIRE_ASSETS_FROM}" "${_assets}"
  COMMENT "Copying the sound assets from ${QUELMIRE_ASSETS_FROM}"
  VERBATIM)
