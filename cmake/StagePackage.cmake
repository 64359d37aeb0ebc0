# Builds one package (cmake -P, from orvelle_package): lays its files out in
# the device's layout in a fresh stage, writes DEBIAN/control from the control
# file with this machine's architecture, and has dpkg-deb make the archive.
#   -DMANIFEST=file -DCONTROL=file -DVERSION=v -DARCH=a -DSTAGE=dir -DOUTPUT=file.deb -DDPKG_DEB=program
cmake_minimum_required(VERSION 3.21)

foreach(required MANIFEST CONTROL VERSION ARCH STAGE OUTPUT DPKG_DEB)
  if(NOT DEFINED ${required} OR "${${required}}" STREQUAL "")
    message(FATAL_ERROR "StagePackage.cmake: -D${required}= is missing")
  endif()
endforeach()

file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/DEBIAN)
file(STRINGS ${MANIFEST} entries)
set(bytes 0)
foreach(entry ${entries})
  if(NOT entry MATCHES "^([A-Z]+)\\|([^|]+)\\|(.+)$")
    message(FATAL_ERROR "${MANIFEST}: a line that is not kind|device path|file: ${entry}")
  endif()
  set(kind ${CMAKE_MATCH_1})
  set(where ${CMAKE_MATCH_2})
  set(from ${CMAKE_MATCH_3})
  if(NOT EXISTS ${from} OR IS_DIRECTORY ${from})
    message(FATAL_ERROR "cannot package ${from}: it is not a file")
  endif()
  if(kind STREQUAL "SCRIPTS")
    get_filename_component(script ${from} NAME)
    if(NOT script MATCHES "^(preinst|postinst|prerm|postrm)$")
      message(FATAL_ERROR "cannot package ${from}: a maintainer script is named preinst, postinst, prerm or postrm")
    endif()
    file(COPY_FILE ${from} ${STAGE}/DEBIAN/${script} ONLY_IF_DIFFERENT)
    file(CHMOD ${STAGE}/DEBIAN/${script} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                       WORLD_READ WORLD_EXECUTE)
    continue()
  endif()
  set(to ${STAGE}${where})
  get_filename_component(folder ${to} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  file(COPY_FILE ${from} ${to})
  file(CHMOD ${to} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  if(kind STREQUAL "LIBRARIES")
    # The build's search path means nothing in a device; its platform is in one place there.
    file(RPATH_REMOVE FILE ${to})
  endif()
  file(SIZE ${to} size)
  math(EXPR bytes "${bytes} + ${size}")
endforeach()

# Folders as the package manager expects them, whatever this machine's umask.
file(GLOB_RECURSE folders LIST_DIRECTORIES true ${STAGE}/*)
foreach(folder ${STAGE} ${folders})
  if(IS_DIRECTORY ${folder})
    file(CHMOD ${folder} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                     WORLD_EXECUTE)
  endif()
endforeach()

file(READ ${CONTROL} control)
string(STRIP "${control}" control)
math(EXPR kilobytes "(${bytes} + 1023) / 1024")
foreach(field Architecture Version Installed-Size)
  string(REGEX REPLACE "(^|\n)${field}:[^\n]*(\n[ \t][^\n]*)*" "" control "${control}")
endforeach()
string(STRIP "${control}" control)
string(APPEND control "\nArchitecture: ${ARCH}\nVersion: ${VERSION}\nInstalled-Size: ${kilobytes}\n")
file(WRITE ${STAGE}/DEBIAN/control "${control}")
file(CHMOD ${STAGE}/DEBIAN/control PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

get_filename_component(output_folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${output_folder})
execute_process(COMMAND ${DPKG_DEB} --root-owner-group -Zgzip --build ${STAGE} ${OUTPUT}.part
                RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE why)
if(failed)
  file(REMOVE ${OUTPUT}.part)
  message(FATAL_ERROR "dpkg-deb could not build ${OUTPUT}: ${why}")
endif()
# Whole or not at all: a watching install never sees half a package.
file(RENAME ${OUTPUT}.part ${OUTPUT})
