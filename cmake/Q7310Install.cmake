# Where `cmake --install` puts the programs and their files on Linux (GNU layout), and the two
# Debian packages CPack makes from the same rules (tools/package), one per install component:
#   cli  package q7310: the command-line tool, the simulator, the sample firmware file, their
#        manual pages and the bash completion; no Qt
#   gui  package q7310-gui: the desktop program, its menu entry, icons, AppStream file and manual
#        page; depends on q7310
# Both carry the copyright and the change log, in /usr/share/doc/<package>/ as Debian wants.
set(data ${PROJECT_SOURCE_DIR}/data)
set(generated ${PROJECT_BINARY_DIR}/data)

install(TARGETS q7310 q7310-sim RUNTIME DESTINATION ${Q7310_INSTALL_BINDIR} COMPONENT cli)
q7310_install_sample_firmware(COMPONENT cli)
install(FILES ${data}/completion/q7310.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME q7310
        COMPONENT cli)

# Manual pages and the change log, compressed as Debian wants them (-n: no name or time stamp,
# so that the same page gives the same bytes).
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(man_pages cli:q7310 cli:q7310-sim)
set(components cli)
if(Q7310_BUILD_GUI)
  list(APPEND man_pages gui:q7310-upgrade)
  list(APPEND components gui)
endif()
set(compressed)
foreach(entry ${man_pages})
  string(REPLACE ":" ";" entry ${entry})
  list(GET entry 0 component)
  list(GET entry 1 page)
  set(out ${generated}/${page}.1.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}
    COMMAND ${GZIP_EXECUTABLE} -9nc ${data}/man/${page}.1 > ${out}
    DEPENDS ${data}/man/${page}.1
    VERBATIM)
  list(APPEND compressed ${out})
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endforeach()
set(changelog ${generated}/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}
  COMMAND ${GZIP_EXECUTABLE} -9nc ${data}/changelog > ${changelog}
  DEPENDS ${data}/changelog
  VERBATIM)
add_custom_target(q7310_compressed_docs ALL DEPENDS ${compressed} ${changelog})
# The documents' folder is named after the package: q7310 for the cli component, q7310-gui for
# the gui one.
install(FILES ${data}/copyright ${changelog} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/q7310
        COMPONENT cli)

if(Q7310_BUILD_GUI)
  install(TARGETS q7310-upgrade RUNTIME DESTINATION ${Q7310_INSTALL_BINDIR} COMPONENT gui)
  install(FILES ${data}/q7310-upgrade.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
          COMPONENT gui)
  configure_file(${data}/io.github.q7310.upgrade.metainfo.xml.in
                 ${generated}/io.github.q7310.upgrade.metainfo.xml @ONLY)
  install(FILES ${generated}/io.github.q7310.upgrade.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT gui)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${data}/icons/hicolor/${size}x${size}/apps/q7310.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT gui)
  endforeach()
  install(FILES ${data}/icons/q7310.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT gui)
  install(FILES ${data}/copyright ${changelog}
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/q7310-gui COMPONENT gui)
endif()

# The Debian packages: q7310_<version>_<arch>.deb and q7310-gui_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME q7310)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The q7310 developers")
set(CPACK_PACKAGE_CONTACT "q7310 maintainers <maintainers@users.noreply.c-seed-adb01849.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${components})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME q7310)
set(CPACK_DEBIAN_CLI_PACKAGE_SUGGESTS "bash-completion, q7310-gui")
set(CPACK_DEBIAN_CLI_DESCRIPTION "service utility for the 7310 Series Amplifier
A technician connects a 7310 Series Amplifier over an RS-232C line, puts it
into its service mode, and these programs back up its nine settings slots,
send it new firmware and restore the settings.
.
This package holds the command-line tool q7310, for benches and scripts,
and the simulated amplifier q7310-sim, for trying the procedure without
hardware. The desktop program is in the package q7310-gui.")

set(CPACK_DEBIAN_GUI_PACKAGE_NAME q7310-gui)
# The desktop program and the tool share the working folder and its files: the same version.
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "q7310 (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_GUI_DESCRIPTION "service utility for the 7310 Series Amplifier (desktop program)
A technician connects a 7310 Series Amplifier over an RS-232C line, puts it
into its service mode, and the desktop program q7310-upgrade guides them
through three steps: it backs up the amplifier's nine settings slots, sends
the new firmware and restores the settings.")
include(CPack)
