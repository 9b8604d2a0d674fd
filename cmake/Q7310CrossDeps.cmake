# The libraries of a Windows cross build that Debian packages for the host only.
#
# CLI11 and nlohmann/json are header-only: the build sees each one's folder alone (through a
# link in the build folder), never the host's /usr/include, which would shadow the MinGW headers.
function(q7310_host_headers target header folder)
  string(MAKE_C_IDENTIFIER ${folder} id)
  find_path(Q7310_${id}_HEADER_DIR ${header} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(dir ${CMAKE_BINARY_DIR}/cross-include/${id})
  file(MAKE_DIRECTORY ${dir})
  file(CREATE_LINK ${Q7310_${id}_HEADER_DIR}/${folder} ${dir}/${folder} SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  target_include_directories(${target} SYSTEM INTERFACE ${dir})
endfunction()
q7310_host_headers(CLI11::CLI11 CLI/CLI.hpp CLI)
q7310_host_headers(nlohmann_json::nlohmann_json nlohmann/json.hpp nlohmann)

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
