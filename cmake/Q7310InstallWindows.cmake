# What the Windows release holds: `cmake --install` puts the zip's folder together
# (tools/package-windows); the installer (.msi) holds the same files and, in addition, the mark of
# an installation (component `msi`, installed only when asked for by name).
set(generated ${PROJECT_BINARY_DIR}/data)

install(TARGETS q7310 q7310-upgrade RUNTIME DESTINATION ${Q7310_INSTALL_BINDIR})
q7310_install_sample_firmware()

# Windows text files: CR LF line ends.
configure_file(${PROJECT_SOURCE_DIR}/data/windows/README-windows.txt
               ${generated}/README-windows.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${generated}/README-windows.txt DESTINATION ${Q7310_INSTALL_BINDIR})
configure_file(${PROJECT_SOURCE_DIR}/data/windows/installed.txt.in
               ${generated}/${Q7310_INSTALLED_MARK} @ONLY NEWLINE_STYLE CRLF)
install(FILES ${generated}/${Q7310_INSTALLED_MARK} DESTINATION ${Q7310_INSTALL_BINDIR}
        COMPONENT msi EXCLUDE_FROM_ALL)
