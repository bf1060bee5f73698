# Makes the delivery of one build (cmake -P): the setup package folder as one zip, laid out
# exactly as the folder (the installer at the top, the variants' folders beside it), and the
# winget manifests filled in from their templates with the zip's address and SHA-256.
#   -DPACKAGE_DIR=<setup-package> -DZIP=<out.zip> -DTEMPLATES=<packaging/winget>
#   -DMANIFESTS=<out folder> -DVERSION=<x.y.z> -DARCHITECTURE=<x64|x86|arm64> -DURL_BASE=<url>
foreach(name PACKAGE_DIR ZIP TEMPLATES MANIFESTS VERSION ARCHITECTURE URL_BASE)
  if("${${name}}" STREQUAL "")
    message(FATAL_ERROR "make_delivery: -D${name}= is missing")
  endif()
endforeach()
if(NOT EXISTS "${PACKAGE_DIR}/VANTPlusTWSSetup.exe")
  message(FATAL_ERROR "make_delivery: ${PACKAGE_DIR} holds no VANTPlusTWSSetup.exe")
endif()

# The entries are named relative to the package folder, so the zip has no folder of its own
# around them.
file(GLOB entries RELATIVE "${PACKAGE_DIR}" "${PACKAGE_DIR}/*")
list(SORT entries)
get_filename_component(zip_dir "${ZIP}" DIRECTORY)
file(MAKE_DIRECTORY "${zip_dir}")
file(GLOB old_zips "${zip_dir}/VANTPlusTWSSetup-*.zip")
file(REMOVE ${old_zips} "${ZIP}.part")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf "${ZIP}.part" --format=zip -- ${entries}
  WORKING_DIRECTORY "${PACKAGE_DIR}"
  RESULT_VARIABLE zipped)
if(NOT zipped EQUAL 0)
  file(REMOVE "${ZIP}.part")
  message(FATAL_ERROR "make_delivery: zipping ${PACKAGE_DIR} failed (${zipped})")
endif()
file(RENAME "${ZIP}.part" "${ZIP}")

file(SHA256 "${ZIP}" VP_INSTALLER_SHA256)
string(TOUPPER "${VP_INSTALLER_SHA256}" VP_INSTALLER_SHA256)
get_filename_component(zip_name "${ZIP}" NAME)
string(REGEX REPLACE "/+$" "" URL_BASE "${URL_BASE}")
set(VP_INSTALLER_URL "${URL_BASE}/${zip_name}")
set(VP_VERSION "${VERSION}")
set(VP_ARCHITECTURE "${ARCHITECTURE}")

# One folder per package, laid out as a manifest repository keeps it: <identifier>/<version>/.
file(REMOVE_RECURSE "${MANIFESTS}")
file(GLOB packages RELATIVE "${TEMPLATES}" "${TEMPLATES}/*")
foreach(package ${packages})
  file(GLOB templates "${TEMPLATES}/${package}/*.yaml")
  foreach(template ${templates})
    get_filename_component(name "${template}" NAME)
    set(manifest "${MANIFESTS}/${package}/${VERSION}/${name}")
    configure_file("${template}" "${manifest}" @ONLY)
    # A placeholder left over would publish a manifest that points nowhere.
    file(STRINGS "${manifest}" unfilled REGEX "@[A-Z_]+@")
    if(unfilled)
      message(FATAL_ERROR "make_delivery: ${manifest} keeps a placeholder: ${unfilled}")
    endif()
  endforeach()
endforeach()
message(STATUS "delivery: ${ZIP} (SHA-256 ${VP_INSTALLER_SHA256}), manifests in ${MANIFESTS}")
