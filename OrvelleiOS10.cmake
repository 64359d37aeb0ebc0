# The tweak library, loaded into the home-screen process by the device's loader.
# Everything but the load-time routines is also a static library, so tests can
# drive the parts without loading the library.
orvelle_library(orvelle_tweak_core STATIC
  SOURCES *.cpp Tweak/*.cpp EXCLUDE Tweak/Startup.cpp
  INCLUDE ${CMAKE_CURRENT_SOURCE_DIR}
  DEPENDS host_headers runtime foundation substrate uikit graphics)
orvelle_library(OrvelleiOS10 SHARED SOURCES Tweak/Startup.cpp
  PRIVATE_DEPENDS runtime foundation substrate uikit graphics
  SYSTEM_LIBS -Wl,--whole-archive orvelle_tweak_core -Wl,--no-whole-archive)
add_dependencies(OrvelleiOS10 orvelle_tweak_core)
