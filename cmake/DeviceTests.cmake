# Tests that touch the device's absolute paths (/var/mobile/Library/...) run
# inside a fresh sandboxed device of their own: the listing of the tests and
# every single test go through `orvelle-sim exec --fresh --`, which makes a
# temporary device with the built deliverables installed, runs the command in
# its sandbox, passes its exit code on and removes the device. Tests so run in
# parallel without seeing each other's files.
#
#   orvelle_add_device_tests(my_tests [gtest_discover_tests options...])
function(orvelle_add_device_tests target)
  if(NOT TARGET orvelle-sim)
    message(FATAL_ERROR "orvelle_add_device_tests(${target}): the sim folder, which builds orvelle-sim, is not part of this build")
  endif()
  set_property(TARGET ${target} PROPERTY CROSSCOMPILING_EMULATOR
               "${CMAKE_BINARY_DIR}/bin/orvelle-sim" exec --fresh --)
  add_dependencies(${target} orvelle-sim)
  # The fresh device gets the tweak as it is built now.
  if(TARGET OrvelleiOS10)
    add_dependencies(${target} OrvelleiOS10)
  endif()
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 ${ARGN})
endfunction()
