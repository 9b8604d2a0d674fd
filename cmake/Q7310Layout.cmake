# Where an installation puts the programs and their data, on Linux and on Windows. The install
# rules (Q7310Install.cmake for the Debian packages, Q7310InstallWindows.cmake for the zip and the
# .msi) and the programs themselves (src/app: the working folder rule, the missing-firmware hint)
# take every path from here, so that a file moved or renamed changes in one line.
include(GNUInstallDirs)

# The sample firmware file, for the simulator only (its header record marks it so, and an update
# refuses it without --allow-sample): its source, and its path inside the installed data folder
# (below). Never the name of the firmware file that the update reads (Q7310_v201.mot): where the
# programs work in their own folder (the Windows zip), a sample under that name would be the
# firmware file.
set(Q7310_SAMPLE_FIRMWARE ${PROJECT_SOURCE_DIR}/samples/sample-firmware.mot)

if(WIN32)
  # The zip and the .msi: everything in one folder, the programs' own; the sample in a folder of
  # its own inside it.
  set(Q7310_INSTALL_BINDIR .)
  set(Q7310_INSTALL_DATADIR .)
  set(Q7310_SAMPLE_FIRMWARE_NAME samples/sample-firmware.mot)
  # What tells an installed program (from the .msi) from an unpacked zip, which holds the same
  # files: this file, which only the .msi puts beside the programs. An installed program keeps
  # its files in %LOCALAPPDATA%\q7310, so that they outlive an upgrade or an uninstall.
  set(Q7310_INSTALLED_MARK q7310-installed.txt)
else()
  # GNU layout: <prefix>/bin and <prefix>/share/q7310. The data folder's presence marks an
  # installed program.
  set(Q7310_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR})
  set(Q7310_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/q7310)
  set(Q7310_SAMPLE_FIRMWARE_NAME sample-firmware.mot)
  set(Q7310_INSTALLED_MARK "")
endif()

# Installs the sample firmware file as Q7310_SAMPLE_FIRMWARE_NAME in the data folder (a name with
# a folder in it makes that folder).
function(q7310_install_sample_firmware)
  cmake_path(GET Q7310_SAMPLE_FIRMWARE_NAME PARENT_PATH folder)
  cmake_path(GET Q7310_SAMPLE_FIRMWARE_NAME FILENAME name)
  install(FILES ${Q7310_SAMPLE_FIRMWARE} DESTINATION ${Q7310_INSTALL_DATADIR}/${folder}
          RENAME ${name} ${ARGN})
endfunction()
