# The tweak library, loaded into the home-screen process by the device's loader.
# Everything but the load-time routines is also a static library, so tests can
# drive the parts without loading the library.
if(NOT TARGET uikit OR NOT TARGET graphics)
  message(STATUS "OrvelleiOS10: waiting for the toolkit")
  return()
endif()

file(GLOB orvelle_tweak_sources CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Tweak/*.cpp)
list(REMOVE_ITEM orvelle_tweak_sources ${CMAKE_CURRENT_SOURCE_DIR}/Tweak/Startup.cpp)

add_library(orvelle_tweak_core STATIC ${orvelle_tweak_sources})
target_include_directories(orvelle_tweak_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(orvelle_tweak_core PUBLIC host_headers runtime foundation substrate uikit graphics)

add_library(OrvelleiOS10 SHARED Tweak/Startup.cpp)
target_link_libraries(OrvelleiOS10 PRIVATE -Wl,--whole-archive orvelle_tweak_core -Wl,--no-whole-archive
  runtime foundation substrate uikit graphics)
