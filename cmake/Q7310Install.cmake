# Where `cmake --install` puts the programs and their files on Linux (GNU layout), and the Debian
# package CPack makes from the same rules (tools/package).
include(GNUInstallDirs)

set(data ${PROJECT_SOURCE_DIR}/data)
set(generated ${PROJECT_BINARY_DIR}/data)

install(TARGETS q7310 q7310-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/samples/Q7310_v201.mot
        DESTINATION ${CMAKE_INSTALL_DATADIR}/q7310)
install(FILES ${data}/completion/q7310.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME q7310)

# Manual pages and the change log, compressed as Debian wants them (-n: no name or time stamp,
# so that the same page gives the same bytes).
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(man_pages q7310 q7310-sim)
if(Q7310_BUILD_GUI)
  list(APPEND man_pages q7310-upgrade)
endif()
set(compressed)
foreach(page ${man_pages})
  set(out ${generated}/${page}.1.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}
    COMMAND ${GZIP_EXECUTABLE} -9nc ${data}/man/${page}.1 > ${out}
    DEPENDS ${data}/man/${page}.1
    VERBATIM)
  list(APPEND compressed ${out})
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
set(changelog ${generated}/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}
  COMMAND ${GZIP_EXECUTABLE} -9nc ${data}/changelog > ${changelog}
  DEPENDS ${data}/changelog
  VERBATIM)
add_custom_target(q7310_compressed_docs ALL DEPENDS ${compressed} ${changelog})
install(FILES ${data}/copyright ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(Q7310_BUILD_GUI)
  install(TARGETS q7310-upgrade RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${data}/q7310-upgrade.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(${data}/io.github.q7310.upgrade.metainfo.xml.in
                 ${generated}/io.github.q7310.upgrade.metainfo.xml @ONLY)
  install(FILES ${generated}/io.github.q7310.upgrade.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${data}/icons/hicolor/${size}x${size}/apps/q7310.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${data}/icons/q7310.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# The Debian package: q7310_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME q7310)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The q7310 developers")
set(CPACK_PACKAGE_CONTACT "q7310 maintainers <maintainers@users.noreply.c-seed-adb01849.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS bash-completion)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service utility for the 7310 Series Amplifier")
# The extended description, below the summary line, in lines of less than 80 characters; CPack
# indents them as Debian wants.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "A technician connects a 7310 Series Amplifier over an RS-232C line, puts it"
  "into its service mode, and these programs back up its nine settings slots,"
  "send it new firmware and restore the settings."
  "."
  "The package holds the desktop program q7310-upgrade, the command-line tool"
  "q7310 for benches and scripts, and the simulated amplifier q7310-sim, for"
  "trying the procedure without hardware.")
include(CPack)
