# quillon_pkg_config(<library target> <description>)
# Installs <target>.pc beside the library. Its paths are relative to the file itself
# (${pcfiledir}), so the file stays right wherever the installed tree is moved or unpacked.
include(GNUInstallDirs)

function(quillon_pkg_config target description)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    message(FATAL_ERROR "quillon_pkg_config needs a relative CMAKE_INSTALL_LIBDIR")
  endif()
  file(RELATIVE_PATH PC_UP "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
  string(REGEX REPLACE "/$" "" PC_UP "${PC_UP}")
  set(PC_NAME ${target})
  set(PC_DESCRIPTION "${description}")
  set(PC_LIBRARY ${target})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/library.pc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${target}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${target}.pc
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()
