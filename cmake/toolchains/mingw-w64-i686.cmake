# Cross build for 32-bit Windows with MinGW-w64 (posix thread model: std::thread and std::mutex).
set(Q7310_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
