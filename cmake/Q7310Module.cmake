# The .cpp files of the calling folder for this OS: shared files, plus name_win32.cpp on Windows
# or name_posix.cpp elsewhere.
function(q7310_os_sources out)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_win32\\.cpp$")
  endif()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()

# q7310_core_library(NAME DEPENDS ...): a static library of the calling folder's sources for this
# OS (see q7310_os_sources).
function(q7310_core_library name)
  cmake_parse_arguments(L "" "" "DEPENDS" ${ARGN})
  q7310_os_sources(sources)
  if(NOT sources)
    message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}: no source files for ${name}")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${L_DEPENDS})
endfunction()

# Adds a folder of the project. A folder or a CMakeLists.txt that is not there stops the
# configuration: a part that is silently left out would also leave its tests out.
function(q7310_subdirectory dir)
  if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    message(FATAL_ERROR "${PROJECT_SOURCE_DIR}/${dir}/CMakeLists.txt not found")
  endif()
  add_subdirectory(${PROJECT_SOURCE_DIR}/${dir} ${PROJECT_BINARY_DIR}/${dir})
endfunction()
