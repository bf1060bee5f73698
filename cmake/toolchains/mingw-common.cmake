set(CMAKE_SYSTEM_NAME Windows)
# Shared by the mingw-w64 toolchain files, which set VP_MINGW_ARCH first.
set(CMAKE_SYSTEM_PROCESSOR ${VP_MINGW_ARCH})
set(TOOLCHAIN_PREFIX ${VP_MINGW_ARCH}-w64-mingw32)
# The posix thread model gives std::thread and std::mutex; linked statically.
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# ctest runs every Windows program through Wine in a fresh prefix of its own, with the loader of
# this architecture and a virtual display.
get_filename_component(vp_source_dir "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${vp_source_dir}/scripts/wine-run.sh --arch ${VP_MINGW_ARCH})
