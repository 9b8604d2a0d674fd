# The libraries of a Windows cross build that Debian packages for the host only.
#
# CLI11 is header-only: the build sees its CLI folder alone (through a link in the build
# folder), never the host's /usr/include, which would shadow the MinGW headers.
find_path(Q7310_CLI11_HEADER_DIR CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(cli11_dir ${CMAKE_BINARY_DIR}/cross-include/cli11)
file(MAKE_DIRECTORY ${cli11_dir})
file(CREATE_LINK ${Q7310_CLI11_HEADER_DIR}/CLI ${cli11_dir}/CLI SYMBOLIC)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${cli11_dir})

# GoogleTest from Debian's sources, built with the cross compiler.
function(q7310_add_cross_googletest)
  set(gtest_src /usr/src/googletest)
  if(NOT EXISTS ${gtest_src}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${gtest_src} (package googletest)")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  # Its own CMake file defines GTest::gtest and GTest::gtest_main.
  add_subdirectory(${gtest_src} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endfunction()

# Tests run under Wine, in a Wine prefix of this build folder.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tools/wine-run)
endif()
