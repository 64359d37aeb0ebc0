# How every part of the tree is declared: a library, a program, a tweak
# module or a test, each with its sources and the targets it depends on.
# Dependencies are defined lower in the tree and earlier in the build (the
# layers are added lowest first), so a dependency that does not exist yet is
# a mistake in the tree and stops the configuration with its name.
#
#   orvelle_library(foundation SHARED SOURCES src/*.cpp DEPENDS runtime PRIVATE_DEPENDS PkgConfig::ICU)
#   orvelle_program(orvelle-sim SOURCES main.cpp DEPENDS simdevice)
#   orvelle_tweak_module(abort_at_load_tweak SOURCES AbortAtLoadTweak.cpp)
#   orvelle_test(runtime_tests SOURCES RuntimeTest.cpp DEPENDS runtime substrate)
#   orvelle_test(walls_device_tests SOURCES WallsDeviceTest.cpp DEVICES NEEDS wall_probe)
#
# Sources may be globs relative to the calling folder.

include_guard(GLOBAL)
include(GoogleTest)

# Stops the configuration when a dependency of `who` is not a target yet.
function(orvelle_require who)
  foreach(dependency ${ARGN})
    if(NOT TARGET ${dependency})
      message(FATAL_ERROR "${who}: depends on \"${dependency}\", which no folder defined before it "
                          "(a typo, or a part added out of order)")
    endif()
  endforeach()
endfunction()

# The sources of a call: globs expanded, relative to the calling folder.
function(orvelle_sources out)
  set(files)
  foreach(pattern ${ARGN})
    if(pattern MATCHES "[*?]")
      file(GLOB matched CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${pattern})
      if(NOT matched)
        message(FATAL_ERROR "no source matches ${CMAKE_CURRENT_SOURCE_DIR}/${pattern}")
      endif()
      list(APPEND files ${matched})
    else()
      list(APPEND files ${pattern})
    endif()
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# orvelle_library(NAME SHARED|STATIC|OBJECT|INTERFACE [PLATFORM]
#                 [SOURCES ...] [INCLUDE dir...] [PRIVATE_INCLUDE dir...]
#                 [DEPENDS target...] [PRIVATE_DEPENDS target...] [SYSTEM_LIBS name...])
# INCLUDE folders and DEPENDS are public (interface for INTERFACE libraries).
# PLATFORM: a layer of the device's platform. It is built into the folder of
# the device's frameworks (ORVELLE_FRAMEWORKS_DIR, shown inside every device
# at ORVELLE_DEVICE_FRAMEWORKS) with its SONAME, finds the other layers beside
# itself, and is part of the SDK that `cmake --install` puts in a prefix: its
# library, its headers (INCLUDE folders) and its exported target.
# OBJECT: its objects go whole into every program that links it, for symbols
# nothing calls by name (hooks the sanitizers look up).
function(orvelle_library name kind)
  cmake_parse_arguments(ARG "PLATFORM" "" "SOURCES;EXCLUDE;INCLUDE;PRIVATE_INCLUDE;DEPENDS;PRIVATE_DEPENDS;SYSTEM_LIBS" ${ARGN})
  orvelle_require(${name} ${ARG_DEPENDS} ${ARG_PRIVATE_DEPENDS})
  orvelle_sources(sources ${ARG_SOURCES})
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  set(include ${ARG_INCLUDE})
  if(ARG_PLATFORM)
    set(include)
    foreach(folder ${ARG_INCLUDE})
      get_filename_component(folder ${folder} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      list(APPEND include $<BUILD_INTERFACE:${folder}>)
    endforeach()
    list(APPEND include $<INSTALL_INTERFACE:${ORVELLE_SDK_INCLUDE_DIR}>)
  endif()
  if(kind STREQUAL "INTERFACE")
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${include})
    target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
  else()
    add_library(${name} ${kind} ${sources})
    target_include_directories(${name} PUBLIC ${include} PRIVATE ${ARG_PRIVATE_INCLUDE})
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} PRIVATE ${ARG_PRIVATE_DEPENDS} ${ARG_SYSTEM_LIBS})
  endif()
  if(ARG_PLATFORM)
    orvelle_platform_layer(${name} ${kind} ${ARG_INCLUDE})
  endif()
endfunction()

# A layer of the platform: its SONAME and place, and its part of the SDK.
function(orvelle_platform_layer name kind)
  if(NOT kind STREQUAL "INTERFACE")
    set_target_properties(${name} PROPERTIES
      VERSION ${ORVELLE_PLATFORM_VERSION} SOVERSION ${ORVELLE_PLATFORM_SOVERSION}
      LIBRARY_OUTPUT_DIRECTORY ${ORVELLE_FRAMEWORKS_DIR}
      BUILD_RPATH "$ORIGIN" INSTALL_RPATH "$ORIGIN")
  endif()
  install(TARGETS ${name} EXPORT OrvellePlatformTargets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT sdk
          INCLUDES DESTINATION ${ORVELLE_SDK_INCLUDE_DIR})
  foreach(folder ${ARGN})
    get_filename_component(folder ${folder} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    install(DIRECTORY ${folder}/ DESTINATION ${ORVELLE_SDK_INCLUDE_DIR} COMPONENT sdk)
  endforeach()
endfunction()

# orvelle_program(NAME SOURCES ... [DEPENDS target...] [SYSTEM_LIBS name...] [NEEDS target...])
# NEEDS: targets built with it that it does not link (programs it starts).
function(orvelle_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;SYSTEM_LIBS;NEEDS;INCLUDE" ${ARGN})
  orvelle_require(${name} ${ARG_DEPENDS})
  orvelle_sources(sources ${ARG_SOURCES})
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${ARG_INCLUDE})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} ${ARG_SYSTEM_LIBS})
  if(ARG_NEEDS)
    orvelle_require(${name} ${ARG_NEEDS})
    add_dependencies(${name} ${ARG_NEEDS})
  endif()
endfunction()

# orvelle_tweak_module(NAME SOURCES ... [DEPENDS target...]): a library the
# device's loader loads (NAME.dylib), resolving the platform from the process.
function(orvelle_tweak_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;SYSTEM_LIBS" ${ARGN})
  orvelle_require(${name} ${ARG_DEPENDS})
  orvelle_sources(sources ${ARG_SOURCES})
  add_library(${name} MODULE ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} ${ARG_SYSTEM_LIBS})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".dylib")
endfunction()

# orvelle_test(NAME SOURCES ... [DEPENDS target...] [NEEDS target...] [DEFINES name=value...]
#              [INSIDE_DEVICE] [DEVICES] [WHOLE] [SERIAL] [LOCK name] [TIMEOUT seconds] [PREFIX text])
#   INSIDE_DEVICE  each test runs inside a fresh sandboxed device of its own
#                  (orvelle-sim exec --fresh), so it may use the device's paths
#   DEVICES        it makes and drives devices with orvelle-sim (the test
#                  support's TestDevice, which knows the tool as ORVELLE_SIM)
#   WHOLE          one ctest test for the whole program (its cases share state)
#   SERIAL         never at the same time as another test
#   LOCK           never at the same time as another test holding the same lock
function(orvelle_test name)
  cmake_parse_arguments(ARG "INSIDE_DEVICE;DEVICES;WHOLE;SERIAL" "TIMEOUT;PREFIX;LOCK"
                        "SOURCES;DEPENDS;NEEDS;DEFINES;INCLUDE;SYSTEM_LIBS" ${ARGN})
  set(needs ${ARG_NEEDS})
  # Every test program keeps the font libraries' caches off the leak checker.
  set(depends ${ARG_DEPENDS} GTest::gtest_main font_cache_leak_checks)
  if(ARG_DEVICES OR ARG_INSIDE_DEVICE)
    list(APPEND needs orvelle-sim)
  endif()
  if(ARG_DEVICES)
    list(APPEND depends test_support)
  endif()
  orvelle_program(${name} SOURCES ${ARG_SOURCES} DEPENDS ${depends} SYSTEM_LIBS ${ARG_SYSTEM_LIBS}
                  INCLUDE ${ARG_INCLUDE})
  if(needs)
    orvelle_require(${name} ${needs})
    add_dependencies(${name} ${needs})
  endif()
  target_compile_definitions(${name} PRIVATE ${ARG_DEFINES})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  if(ARG_INSIDE_DEVICE)
    set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/bin/orvelle-sim" exec --fresh --)
  endif()
  if(ARG_WHOLE)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
    if(ARG_SERIAL)
      set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
    endif()
  else()
    set(properties TIMEOUT ${ARG_TIMEOUT})
    if(ARG_SERIAL)
      list(APPEND properties RUN_SERIAL TRUE)
    endif()
    if(ARG_LOCK)
      list(APPEND properties RESOURCE_LOCK ${ARG_LOCK})
    endif()
    set(prefix)
    if(ARG_PREFIX)
      set(prefix TEST_PREFIX ${ARG_PREFIX})
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 ${prefix} PROPERTIES ${properties})
  endif()
endfunction()
