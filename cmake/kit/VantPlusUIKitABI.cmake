# The binary interface a UI module shares with the framework runtime and the launcher: which
# compiler made the code and how the C++ and GCC runtimes are linked. The framework's classes
# pass standard library objects across the module boundary, so a module built otherwise would
# link and then fail when loaded; comparing these descriptions turns that into a configure error.
# Used by the framework's own build (to record the kit's side) and by the installed package (to
# check a module's side).

# "<compiler id> <major version>, <target>, thread model <model>" of the C++ compiler in use.
function(vantplus_kit_compiler_abi out)
  if(NOT CMAKE_CXX_COMPILER)
    message(FATAL_ERROR "VantPlusUIKit: enable the CXX language (project(... CXX)) before find_package")
  endif()
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpmachine OUTPUT_VARIABLE target
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -v ERROR_VARIABLE details OUTPUT_QUIET)
  set(threads "unknown")
  if(details MATCHES "Thread model: ([A-Za-z0-9_]+)")
    set(threads "${CMAKE_MATCH_1}")
  endif()
  if(NOT target)
    set(target "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}")
  endif()
  string(REGEX MATCH "^[0-9]+" major "${CMAKE_CXX_COMPILER_VERSION}")
  set(${out} "${CMAKE_CXX_COMPILER_ID} ${major}, ${target}, thread model ${threads}" PARENT_SCOPE)
endfunction()

# How the runtimes are linked under these flags (compile and link flags alike, as one list):
# "libstdc++ <static|shared>, libgcc <static|shared>, other libraries <static|shared>,
# std::string ABI <cxx11|old>". What the flags do not say is taken from `defaults`, a
# description of the same form (the toolchain's own choice when empty: all shared, cxx11).
function(vantplus_kit_runtime_of out defaults)
  set(stdcxx shared)
  set(gcc shared)
  set(libraries shared)
  set(strings cxx11)
  if(defaults MATCHES "libstdc\\+\\+ ([a-z]+), libgcc ([a-z]+), other libraries ([a-z]+), std::string ABI ([a-z0-9]+)")
    set(stdcxx ${CMAKE_MATCH_1})
    set(gcc ${CMAKE_MATCH_2})
    set(libraries ${CMAKE_MATCH_3})
    set(strings ${CMAKE_MATCH_4})
  endif()
  foreach(flag IN LISTS ARGN)
    if(flag STREQUAL "-static")
      set(stdcxx static)
      set(gcc static)
      set(libraries static)
    elseif(flag STREQUAL "-static-libstdc++")
      set(stdcxx static)
    elseif(flag STREQUAL "-static-libgcc")
      set(gcc static)
    elseif(flag STREQUAL "-shared-libgcc")
      set(gcc shared)
    elseif(flag MATCHES "^(-D)?_GLIBCXX_USE_CXX11_ABI=0$")
      set(strings old)
    elseif(flag MATCHES "^(-D)?_GLIBCXX_USE_CXX11_ABI=1$")
      set(strings cxx11)
    endif()
  endforeach()
  set(${out} "libstdc++ ${stdcxx}, libgcc ${gcc}, other libraries ${libraries}, std::string ABI ${strings}"
      PARENT_SCOPE)
endfunction()

# The runtime-relevant flags among flag strings as CMake keeps them (space-separated strings,
# lists, generator expressions left out).
function(vantplus_kit_runtime_flags out)
  set(flags)
  foreach(item IN LISTS ARGN)
    separate_arguments(words UNIX_COMMAND "${item}")
    foreach(word IN LISTS words)
      if(word MATCHES "^(-static|-static-libstdc\\+\\+|-static-libgcc|-shared-libgcc|(-D)?_GLIBCXX_USE_CXX11_ABI=[01])$")
        list(APPEND flags "${word}")
      endif()
    endforeach()
  endforeach()
  set(${out} "${flags}" PARENT_SCOPE)
endfunction()
