# Tweaks and their packages, in the device's layout and the phone's Debian
# package format, as its package manager (orvelle-sim install DEVICE FILE.deb)
# installs them. Part of the SDK, and what this tree packages itself with.
#
#   orvelle_add_tweak(Lumen SOURCES Lumen.cpp CONTROL ${CMAKE_CURRENT_SOURCE_DIR}/control
#                     PANE LumenPrefs PANE_SOURCES Prefs.cpp PANE_RESOURCES Info.plist Root.plist
#                     PANE_ENTRY entry.plist)
#
# builds Lumen.dylib, its filter plist (Bundles: com.apple.springboard unless
# told), the pane bundle LumenPrefs.bundle, and the package
# <Package>_<Version>_<arch>.deb in the build folder, all with `cmake --build`.
include_guard(GLOBAL)

set(ORVELLE_TWEAK_PACKAGE_DIR ${CMAKE_CURRENT_LIST_DIR})
find_program(ORVELLE_DPKG_DEB dpkg-deb)
find_program(ORVELLE_DPKG dpkg)

# The Debian architecture of this machine: the packages' binaries run on it,
# not on the phone the control template names.
function(orvelle_package_architecture out)
  if(NOT ORVELLE_DPKG)
    message(FATAL_ERROR "packages need dpkg, to tell this machine's architecture (apt-get install dpkg)")
  endif()
  execute_process(COMMAND ${ORVELLE_DPKG} --print-architecture OUTPUT_VARIABLE arch
                  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
  if(failed OR NOT arch)
    message(FATAL_ERROR "dpkg --print-architecture failed: cannot tell this machine's architecture")
  endif()
  set(${out} ${arch} PARENT_SCOPE)
endfunction()

# A field of a control file (its first line only).
function(orvelle_control_field file field out)
  file(READ ${file} text)
  if(NOT text MATCHES "(^|\n)${field}:[ \t]*([^\n]*)")
    message(FATAL_ERROR "${file} has no ${field} field")
  endif()
  string(STRIP "${CMAKE_MATCH_2}" value)
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

# orvelle_package(TARGET CONTROL file [VERSION v] [OUTPUT_DIRECTORY dir]
#                 [LIBRARIES device-path built-file ...]  shared libraries, packaged without search paths
#                 [FILES device-path file ...]            anything else
#                 [SCRIPTS file ...]                      maintainer scripts (preinst, postinst, prerm, postrm)
#                 [DEPENDS target ...])
# A target that builds the package with dpkg-deb. Its fields are the control
# file's, with this machine's architecture, VERSION when given, and the
# installed size. The target's PACKAGE_FILE property is the package's path.
function(orvelle_package target)
  cmake_parse_arguments(ARG "" "CONTROL;VERSION;OUTPUT_DIRECTORY" "LIBRARIES;FILES;SCRIPTS;DEPENDS" ${ARGN})
  if(NOT ARG_CONTROL)
    message(FATAL_ERROR "${target}: a package needs its CONTROL file")
  endif()
  if(NOT ORVELLE_DPKG_DEB)
    message(FATAL_ERROR "${target}: packages are made with dpkg-deb (apt-get install dpkg)")
  endif()
  get_filename_component(control ${ARG_CONTROL} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${control})
  orvelle_control_field(${control} Package package)
  set(version ${ARG_VERSION})
  if(NOT version)
    orvelle_control_field(${control} Version version)
  endif()
  orvelle_package_architecture(arch)
  set(folder ${ARG_OUTPUT_DIRECTORY})
  if(NOT folder)
    set(folder ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  set(output ${folder}/${package}_${version}_${arch}.deb)

  # What goes where, one "kind|device path|file" a line; built files are
  # known when the build is generated.
  set(manifest "")
  set(inputs ${control})
  foreach(kind LIBRARIES FILES)
    set(pairs ${ARG_${kind}})
    list(LENGTH pairs count)
    math(EXPR odd "${count} % 2")
    if(odd)
      message(FATAL_ERROR "${target}: ${kind} takes pairs of a device path and a file")
    endif()
    while(pairs)
      list(POP_FRONT pairs where from)
      if(NOT where MATCHES "^/")
        message(FATAL_ERROR "${target}: \"${where}\" is not an absolute path in the device")
      endif()
      if(NOT from MATCHES "^\\$<")
        get_filename_component(from ${from} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      endif()
      string(APPEND manifest "${kind}|${where}|${from}\n")
      list(APPEND inputs ${from})
    endwhile()
  endforeach()
  foreach(script ${ARG_SCRIPTS})
    get_filename_component(script ${script} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    string(APPEND manifest "SCRIPTS|${script}|${script}\n")
    list(APPEND inputs ${script})
  endforeach()
  set(stage ${CMAKE_CURRENT_BINARY_DIR}/${target}.stage)
  file(GENERATE OUTPUT ${stage}.manifest CONTENT "${manifest}")

  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${stage}.manifest -DCONTROL=${control} -DVERSION=${version}
            -DARCH=${arch} -DSTAGE=${stage} -DOUTPUT=${output} -DDPKG_DEB=${ORVELLE_DPKG_DEB}
            -P ${ORVELLE_TWEAK_PACKAGE_DIR}/StagePackage.cmake
    DEPENDS ${inputs} ${stage}.manifest ${ORVELLE_TWEAK_PACKAGE_DIR}/StagePackage.cmake ${ARG_DEPENDS}
    COMMENT "Packaging ${package} ${version} for ${arch}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
  set_target_properties(${target} PROPERTIES PACKAGE_FILE ${output})
endfunction()

# orvelle_add_tweak(NAME SOURCES file... CONTROL file
#                   [LIBRARIES target...]    what the tweak links (default: the platform's
#                                            runtime, foundation, uikit and substrate)
#                   [FILTER file.plist | BUNDLES id...]  its filter (default: com.apple.springboard)
#                   [PANE name PANE_SOURCES file... PANE_RESOURCES file... PANE_ENTRY entry.plist
#                    [PANE_LIBRARIES target...]]         a Settings pane of its own
#                   [FILES device-path file ...] [SCRIPTS file...] [OUTPUT_DIRECTORY dir])
# The tweak NAME.dylib, its pane NAME.bundle when asked, and the package
# (target NAME_package). Neither library carries a search path: the device
# gives the platform to every process from one place.
function(orvelle_add_tweak name)
  cmake_parse_arguments(ARG "" "CONTROL;FILTER;PANE;PANE_ENTRY;OUTPUT_DIRECTORY"
                        "SOURCES;LIBRARIES;BUNDLES;PANE_SOURCES;PANE_RESOURCES;PANE_LIBRARIES;FILES;SCRIPTS" ${ARGN})
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "orvelle_add_tweak(${name}): no SOURCES")
  endif()
  set(libraries ${ARG_LIBRARIES})
  if(NOT libraries)
    set(libraries OrvellePlatform::runtime OrvellePlatform::foundation OrvellePlatform::uikit OrvellePlatform::substrate)
  endif()
  add_library(${name} MODULE ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${libraries})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".dylib" SKIP_BUILD_RPATH ON)

  set(filter ${ARG_FILTER})
  if(NOT filter)
    set(bundles ${ARG_BUNDLES})
    if(NOT bundles)
      set(bundles com.apple.springboard)
    endif()
    set(items "")
    foreach(bundle ${bundles})
      string(APPEND items "\t\t\t<string>${bundle}</string>\n")
    endforeach()
    set(filter ${CMAKE_CURRENT_BINARY_DIR}/${name}.plist)
    file(CONFIGURE OUTPUT ${filter} CONTENT [[<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>Filter</key>
	<dict>
		<key>Bundles</key>
		<array>
@items@		</array>
	</dict>
</dict>
</plist>
]] @ONLY)
  endif()
  set(dynamic /Library/MobileSubstrate/DynamicLibraries)
  set(libraries_in ${dynamic}/${name}.dylib $<TARGET_FILE:${name}>)
  set(files_in ${dynamic}/${name}.plist ${filter})
  set(built ${name})

  if(ARG_PANE)
    set(pane ${ARG_PANE})
    if(NOT ARG_PANE_SOURCES OR NOT ARG_PANE_ENTRY)
      message(FATAL_ERROR "orvelle_add_tweak(${name}): the pane ${pane} needs PANE_SOURCES and PANE_ENTRY")
    endif()
    set(pane_libraries ${ARG_PANE_LIBRARIES})
    if(NOT pane_libraries)
      set(pane_libraries OrvellePlatform::preferences OrvellePlatform::uikit OrvellePlatform::foundation
                         OrvellePlatform::runtime)
    endif()
    add_library(${pane} MODULE ${ARG_PANE_SOURCES})
    target_link_libraries(${pane} PRIVATE ${pane_libraries})
    set_target_properties(${pane} PROPERTIES PREFIX "" SUFFIX "" SKIP_BUILD_RPATH ON)
    set(bundle /Library/PreferenceBundles/${pane}.bundle)
    list(APPEND libraries_in ${bundle}/${pane} $<TARGET_FILE:${pane}>)
    foreach(resource ${ARG_PANE_RESOURCES})
      get_filename_component(resource_name ${resource} NAME)
      list(APPEND files_in ${bundle}/${resource_name} ${resource})
    endforeach()
    list(APPEND files_in /Library/PreferenceLoader/Preferences/${pane}.plist ${ARG_PANE_ENTRY})
    list(APPEND built ${pane})
  endif()

  set(output)
  if(ARG_OUTPUT_DIRECTORY)
    set(output OUTPUT_DIRECTORY ${ARG_OUTPUT_DIRECTORY})
  endif()
  orvelle_package(${name}_package CONTROL ${ARG_CONTROL} ${output}
    LIBRARIES ${libraries_in} FILES ${files_in} ${ARG_FILES} SCRIPTS ${ARG_SCRIPTS} DEPENDS ${built})
endfunction()
