# The UI module kit, what `cmake --install` puts in a prefix (component "kit"): the framework
# runtime and its public headers, the launcher to run a module under, and the CMake package
# VantPlusUIKit that builds modules against them (cmake/kit/). On Windows builds, the target
# `kit-package` zips the installed kit as packages/VantPlusUIKit-<version>-windows-<arch>.zip.
include(CMakePackageConfigHelpers)
include(cmake/kit/VantPlusUIKitABI.cmake)

set(VP_KIT_PACKAGE_DIR lib/cmake/VantPlusUIKit)
# The module interface's version, apart from the product's: a new major version is one that
# breaks modules built against the last (a class's layout, an export's meaning).
set(VP_UI_KIT_VERSION 1.0.0)

# Public headers only: the framework's classes (not the POSIX window model, ui_model.h), the
# Windows declarations they use (on the host our own, less the emulated machine's internals),
# and the module exports.
install(DIRECTORY framework/include/framework DESTINATION include COMPONENT kit
        FILES_MATCHING PATTERN "*.h" PATTERN "ui_model.h" EXCLUDE)
install(FILES platform/include/platform/win.h DESTINATION include/platform COMPONENT kit)
if(NOT WIN32)
  install(DIRECTORY platform/include/platform/posix DESTINATION include/platform COMPONENT kit
          FILES_MATCHING PATTERN "*.h")
endif()
install(FILES launcher/include/vantplus/ui_module.h DESTINATION include/vantplus COMPONENT kit)

# The runtime, and the launcher beside it (on Linux it finds the runtime beside itself or in
# ../lib, so a terminal folder made of copies runs as the installed one does).
set_target_properties(VantPro PROPERTIES INSTALL_RPATH "$ORIGIN:$ORIGIN/../lib")
install(TARGETS vp_framework VantPro COMPONENT kit
        RUNTIME DESTINATION bin LIBRARY DESTINATION lib ARCHIVE DESTINATION lib)
install(FILES launcher/res/TXE-WM.bmp DESTINATION bin COMPONENT kit)

# The binary interface the kit records for the modules: this build's compiler and the runtime
# its link options give (the options set for every target of ours, top-level CMakeLists.txt).
vantplus_kit_compiler_abi(VP_KIT_COMPILER)
get_directory_property(vp_kit_link_options DIRECTORY ${PROJECT_SOURCE_DIR} LINK_OPTIONS)
vantplus_kit_runtime_flags(VP_KIT_RUNTIME_FLAGS ${vp_kit_link_options} ${CMAKE_CXX_FLAGS}
                           ${CMAKE_SHARED_LINKER_FLAGS})
vantplus_kit_runtime_of(VP_KIT_RUNTIME "" ${VP_KIT_RUNTIME_FLAGS})
# The runtime's file names as the framework's target makes them (PREFIX "" on Windows).
if(WIN32)
  set(VP_KIT_RUNTIME_FILE "bin/vp_framework${CMAKE_SHARED_LIBRARY_SUFFIX}")
  set(VP_KIT_IMPORT_FILE "lib/${CMAKE_IMPORT_LIBRARY_PREFIX}vp_framework${CMAKE_IMPORT_LIBRARY_SUFFIX}")
else()
  set(VP_KIT_SONAME "${CMAKE_SHARED_LIBRARY_PREFIX}vp_framework${CMAKE_SHARED_LIBRARY_SUFFIX}")
  set(VP_KIT_RUNTIME_FILE "lib/${VP_KIT_SONAME}")
endif()
configure_file(cmake/kit/VantPlusUIKitConfig.cmake.in ${CMAKE_BINARY_DIR}/kit/VantPlusUIKitConfig.cmake
               @ONLY)
# A module built for one major version of the kit loads under any launcher of that version.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/kit/VantPlusUIKitConfigVersion.cmake
                                 VERSION ${VP_UI_KIT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/kit/VantPlusUIKitConfig.cmake
              ${CMAKE_BINARY_DIR}/kit/VantPlusUIKitConfigVersion.cmake
              cmake/kit/VantPlusUIKitABI.cmake cmake/kit/VantPlusUIKitExports.cmake
        DESTINATION ${VP_KIT_PACKAGE_DIR} COMPONENT kit)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME VantPlusUIKit)
  set(CPACK_PACKAGE_VENDOR KORAX)
  set(CPACK_PACKAGE_VERSION ${VP_UI_KIT_VERSION})
  set(CPACK_SYSTEM_NAME windows-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_PACKAGE_FILE_NAME VantPlusUIKit-${VP_UI_KIT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_COMPONENTS_ALL kit)
  set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
  include(CPack)
endif()

# Installing and packaging need the kit's targets only, not every test program of the build.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
if(WIN32)
  add_custom_target(kit-package COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
                    WORKING_DIRECTORY ${CMAKE_BINARY_DIR} COMMENT "Zipping the UI module kit" VERBATIM)
  add_dependencies(kit-package vp_framework VantPro)
endif()
