# Release packages: a tarball that holds everything in one folder, and a .deb that puts the
# bundle where Linux hosts look for system-wide VST 3 modules and the tool on the path.
#
#   cpack --config build/release/CPackConfig.cmake    (scripts/package.sh does the build too)
#
# The two layouts differ, so the destinations are read when CPack installs, from variables the
# per-generator configuration (PackagingPerGenerator.cmake) sets. Only the components below
# are packaged; `cmake --install` into a VST 3 folder is not affected.
if(NOT TARGET TORVIK OR NOT TARGET torvik-render OR NOT TARGET torvik_presets)
    return()
endif()

set(TORVIK_PACKAGE_VENDOR "Quellmark")

install(DIRECTORY ${TORVIK_BUNDLE_DIR} DESTINATION "\$ENV{TORVIK_PACKAGE_VST3_DIR}"
        USE_SOURCE_PERMISSIONS COMPONENT package_bundle EXCLUDE_FROM_ALL)
install(TARGETS torvik-render RUNTIME DESTINATION "\$ENV{TORVIK_PACKAGE_BIN_DIR}"
        COMPONENT package_tool EXCLUDE_FROM_ALL)
install(DIRECTORY ${TORVIK_PRESET_BUILD_DIR}/ DESTINATION "\$ENV{TORVIK_PACKAGE_PRESET_DIR}"
        COMPONENT package_presets EXCLUDE_FROM_ALL FILES_MATCHING PATTERN "*.vstpreset")
install(FILES ${CMAKE_CURRENT_LIST_DIR}/README.txt DESTINATION "\$ENV{TORVIK_PACKAGE_DOC_DIR}"
        COMPONENT package_docs EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/tools/render/README.md DESTINATION "\$ENV{TORVIK_PACKAGE_DOC_DIR}"
        RENAME torvik-render.md COMPONENT package_docs EXCLUDE_FROM_ALL)

set(CPACK_PACKAGE_NAME "TORVIK")
set(CPACK_PACKAGE_VENDOR "${TORVIK_PACKAGE_VENDOR}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "TORVIK vocal and channel-strip VST 3 effect")
set(CPACK_PACKAGE_CONTACT "${TORVIK_PACKAGE_VENDOR} <support@quellmark.invalid>")
set(CPACK_GENERATOR "TGZ;DEB")
set(CPACK_COMPONENTS_ALL package_bundle package_tool package_presets package_docs)
# Component installation limits each package to the parts above, all in one package.
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY "${PROJECT_BINARY_DIR}/packages")
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/PackagingPerGenerator.cmake")
set(CPACK_SOURCE_GENERATOR "")

set(CPACK_DEBIAN_PACKAGE_NAME "torvik")
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "amd64")
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")

include(CPack)
