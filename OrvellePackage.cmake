# This tree's package, com.tovik.orvelle, as tweak developers ship theirs: the
# tweak and its filter in DynamicLibraries, the pane's bundle and its Settings
# entry, and the pane's picture among the support files. The fields are the
# repository's `control`; `orvelle-sim create` and `install` install it.
set(ORVELLE_PACKAGES_DIR ${CMAKE_BINARY_DIR}/packages)
orvelle_package(orvelle_package CONTROL ${CMAKE_CURRENT_SOURCE_DIR}/control OUTPUT_DIRECTORY ${ORVELLE_PACKAGES_DIR}
  LIBRARIES
    /Library/MobileSubstrate/DynamicLibraries/OrvelleiOS10.dylib $<TARGET_FILE:OrvelleiOS10>
    /Library/PreferenceBundles/ORVELLEPB.bundle/ORVELLEPB $<TARGET_FILE:ORVELLEPB>
  FILES
    /Library/MobileSubstrate/DynamicLibraries/OrvelleiOS10.plist ${CMAKE_CURRENT_SOURCE_DIR}/OrvelleiOS10.plist
    /Library/PreferenceBundles/ORVELLEPB.bundle/Info.plist ${ORVELLEPB_BUNDLE}/Info.plist
    /Library/PreferenceBundles/ORVELLEPB.bundle/Root.plist ${ORVELLEPB_BUNDLE}/Root.plist
    /Library/PreferenceBundles/ORVELLEPB.bundle/More.plist ${ORVELLEPB_BUNDLE}/More.plist
    /Library/PreferenceLoader/Preferences/ORVELLEPB.plist ${CMAKE_CURRENT_SOURCE_DIR}/orvellepb/entry.plist
    "/Library/Application Support/OVS/QRCode.JPG" ${ORVELLEPB_BUNDLE}/QRCode.JPG
  DEPENDS OrvelleiOS10 ORVELLEPB orvellepb_resources)
