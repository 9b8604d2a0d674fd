# Writes the build's version header (OUTPUT) from the project version (VERSION) and, in a git
# checkout (SOURCE_DIR), the commit: `git describe --always --dirty`, so "-dirty" marks changes
# not yet committed. Run as a script at every build; the header is rewritten only when its text
# changes, so an unchanged checkout rebuilds nothing.
#   cmake -DVERSION=2.0.0 -DSOURCE_DIR=... -DINPUT=version.h.in -DOUTPUT=... -P Q7310Version.cmake
set(Q7310_COMMIT "")
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS "${SOURCE_DIR}/.git")
  execute_process(
    COMMAND "${GIT_EXECUTABLE}" describe --always --dirty --abbrev=7
    WORKING_DIRECTORY "${SOURCE_DIR}"
    OUTPUT_VARIABLE Q7310_COMMIT
    OUTPUT_STRIP_TRAILING_WHITESPACE
    ERROR_QUIET)
endif()
set(Q7310_VERSION "${VERSION}")
if(Q7310_COMMIT)
  set(Q7310_VERSION_TEXT "${VERSION} (${Q7310_COMMIT})")
else()
  set(Q7310_VERSION_TEXT "${VERSION}")
endif()
configure_file("${INPUT}" "${OUTPUT}" @ONLY)
