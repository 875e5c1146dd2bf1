# Copies SOURCE to DESTINATION unless DESTINATION exists: the player's own edits are kept.
if(NOT EXISTS "${DESTINATION}")
  file(COPY_FILE "${SOURCE}" "${DESTINATION}")
endif()
