# embed_text(<variable> <input file> <output file>): writes a header that defines
# `constexpr std::string_view <variable>` holding the file's text, and re-runs
# the configuration when the file changes.
function(embed_text variable input output)
  file(READ "${input}" QUILLON_EMBED_TEXT)
  string(FIND "${QUILLON_EMBED_TEXT}" ")QTEXT\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${input} contains the raw-string delimiter )QTEXT\"")
  endif()
  set(QUILLON_EMBED_VARIABLE "${variable}")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/EmbedText.inc.in" "${output}" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${input}")
endfunction()
