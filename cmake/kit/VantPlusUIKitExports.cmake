# After a UI module is linked: fails the build when the module does not export all four calls
# under their plain names, which the launcher would only find out when it loads the module.
#   cmake -DMODULE=<file> -DOBJDUMP=<objdump of the toolchain> -P VantPlusUIKitExports.cmake
if(NOT OBJDUMP)
  message(WARNING "VantPlusUIKit: no objdump, the exports of ${MODULE} are not checked")
  return()
endif()
# The PE export table (-p), or the ELF dynamic symbols (-T): each name ends its line.
execute_process(COMMAND ${OBJDUMP} -p -T "${MODULE}" OUTPUT_VARIABLE table ERROR_QUIET)
set(missing)
foreach(name DLLInitInstance DLLPreTranslateMessage DLLExitInstance DLLGetDumpPath)
  if(NOT table MATCHES "[ \t]${name}\n")
    list(APPEND missing ${name})
  endif()
endforeach()
if(missing)
  string(REPLACE ";" ", " missing "${missing}")
  message(FATAL_ERROR "UI module ${MODULE} does not export ${missing}: define each with "
                      "VP_UI_MODULE_EXPORT (vantplus/ui_module.h)")
endif()
