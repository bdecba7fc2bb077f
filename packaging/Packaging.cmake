# Release packages: a tarball that holds everything in one folder, a .deb (with its debug
# symbols in a .ddeb) and an .rpm that put the VST 3 bundle, the CLAP file and the LV2 bundle
# where Linux hosts look for system-wide plug-ins of each format and the tool on the path.
#
#   cpack --config build/release/CPackConfig.cmake    (scripts/package.sh does the build too)
#
# The layouts differ, so the destinations are read when CPack installs, from variables the
# per-generator configuration (PackagingPerGenerator.cmake) sets. Only the components below
# are packaged; `cmake --install` into a VST 3 folder is not affected.
if(WIN32 OR NOT TARGET TORVIK OR NOT TARGET TORVIK_clap OR NOT TARGET TORVIK_lv2 OR
   NOT TARGET torvik-render OR NOT TARGET torvik_presets OR NOT TARGET torvik_manual)
    return()
endif()

set(TORVIK_PACKAGE_VENDOR "Quellmark")
set(package_dir ${CMAKE_CURRENT_LIST_DIR})
set(package_build_dir ${PROJECT_BINARY_DIR}/packaging)

# Files made from the sources: the Debian changelog and the manual page, compressed as Debian
# wants them (-n: no time stamp, so the same sources give the same bytes). A hand-written
# page beside the tool takes precedence over the one help2man makes from --help.
set(changelog_gz ${package_build_dir}/changelog.gz)
set(manpage_gz ${package_build_dir}/torvik-render.1.gz)
set(handwritten_manpage ${PROJECT_SOURCE_DIR}/tools/render/torvik-render.1)
add_custom_command(
    OUTPUT ${changelog_gz}
    COMMAND gzip -9nc ${package_dir}/changelog > ${changelog_gz}
    DEPENDS ${package_dir}/changelog
    VERBATIM)
if(EXISTS ${handwritten_manpage})
    add_custom_command(
        OUTPUT ${manpage_gz}
        COMMAND gzip -9nc ${handwritten_manpage} > ${manpage_gz}
        DEPENDS ${handwritten_manpage}
        VERBATIM)
else()
    find_program(HELP2MAN help2man REQUIRED)
    add_custom_command(
        OUTPUT ${manpage_gz}
        COMMAND ${HELP2MAN} --no-info --no-discard-stderr --section=1
                --version-string=${PROJECT_VERSION} --include=${package_dir}/torvik-render.h2m
                --name=render\ audio\ files\ through\ the\ TORVIK\ effect\ without\ a\ host
                --output=${package_build_dir}/torvik-render.1 $<TARGET_FILE:torvik-render>
        COMMAND gzip -9nf ${package_build_dir}/torvik-render.1
        DEPENDS torvik-render ${package_dir}/torvik-render.h2m
        VERBATIM)
endif()
add_custom_target(torvik_package_files ALL DEPENDS ${changelog_gz} ${manpage_gz})

install(TARGETS TORVIK LIBRARY
        DESTINATION "\$ENV{TORVIK_PACKAGE_VST3_DIR}/TORVIK.vst3/Contents/${CMAKE_SYSTEM_PROCESSOR}-linux"
        COMPONENT package_bundle EXCLUDE_FROM_ALL)
install(TARGETS TORVIK_clap LIBRARY DESTINATION "\$ENV{TORVIK_PACKAGE_CLAP_DIR}"
        COMPONENT package_bundle EXCLUDE_FROM_ALL)
install(TARGETS TORVIK_lv2 LIBRARY DESTINATION "\$ENV{TORVIK_PACKAGE_LV2_DIR}/TORVIK.lv2"
        COMPONENT package_bundle EXCLUDE_FROM_ALL)
install(FILES ${TORVIK_LV2_BUNDLE_DIR}/manifest.ttl ${TORVIK_LV2_BUNDLE_DIR}/TORVIK.ttl
        DESTINATION "\$ENV{TORVIK_PACKAGE_LV2_DIR}/TORVIK.lv2" COMPONENT package_bundle
        EXCLUDE_FROM_ALL)
install(TARGETS torvik-render RUNTIME DESTINATION "\$ENV{TORVIK_PACKAGE_BIN_DIR}"
        COMPONENT package_tool EXCLUDE_FROM_ALL)
install(FILES ${manpage_gz} DESTINATION "\$ENV{TORVIK_PACKAGE_MAN_DIR}"
        COMPONENT package_tool EXCLUDE_FROM_ALL)
install(DIRECTORY ${TORVIK_PRESET_BUILD_DIR}/ DESTINATION "\$ENV{TORVIK_PACKAGE_PRESET_DIR}"
        COMPONENT package_presets EXCLUDE_FROM_ALL FILES_MATCHING PATTERN "*.vstpreset")
install(FILES ${package_dir}/README.txt ${package_dir}/copyright ${changelog_gz}
        DESTINATION "\$ENV{TORVIK_PACKAGE_DOC_DIR}" COMPONENT package_docs EXCLUDE_FROM_ALL)
install(DIRECTORY ${TORVIK_MANUAL_DIR}/ DESTINATION "\$ENV{TORVIK_PACKAGE_DOC_DIR}/manual"
        COMPONENT package_docs EXCLUDE_FROM_ALL)
# Debian's documentation index learns of the manual, and lintian of the one tag it may ignore;
# only the .deb carries this component.
install(FILES ${package_dir}/doc-base DESTINATION share/doc-base RENAME torvik-manual
        COMPONENT package_debian EXCLUDE_FROM_ALL)
install(FILES ${package_dir}/lintian-overrides DESTINATION share/lintian/overrides RENAME torvik
        COMPONENT package_debian EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/tools/render/README.md DESTINATION "\$ENV{TORVIK_PACKAGE_DOC_DIR}"
        RENAME torvik-render.md COMPONENT package_docs EXCLUDE_FROM_ALL)

set(CPACK_PACKAGE_NAME "TORVIK")
set(CPACK_PACKAGE_VENDOR "${TORVIK_PACKAGE_VENDOR}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
# Debian's rules: the summary does not start with the package's name, the description says
# what the package is for.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "vocal and channel-strip audio effect (VST 3, CLAP, LV2)")
file(READ ${package_dir}/description.txt CPACK_PACKAGE_DESCRIPTION)
set(CPACK_PACKAGE_CONTACT "${TORVIK_PACKAGE_VENDOR} <support@quellmark.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR "TGZ;DEB")
find_program(RPMBUILD rpmbuild)
if(RPMBUILD)
    list(APPEND CPACK_GENERATOR "RPM")
endif()
set(CPACK_COMPONENTS_ALL package_bundle package_tool package_presets package_docs)
# Component installation limits each package to the parts above, all in one package.
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_RPM_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY "${PROJECT_BINARY_DIR}/packages")
set(CPACK_PROJECT_CONFIG_FILE "${package_dir}/PackagingPerGenerator.cmake")
set(CPACK_SOURCE_GENERATOR "")

set(CPACK_DEBIAN_PACKAGE_NAME "torvik")
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "amd64")
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
# The debug information goes into torvik-dbgsym (a .ddeb) before the binaries are stripped.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)

set(CPACK_RPM_PACKAGE_NAME "torvik")
set(CPACK_RPM_PACKAGE_LICENSE "MIT")
set(CPACK_RPM_PACKAGE_GROUP "Applications/Multimedia")
set(CPACK_RPM_PACKAGE_ARCHITECTURE "x86_64")
set(CPACK_RPM_FILE_NAME "RPM-DEFAULT")
# No /usr/lib/.build-id links in the package: nothing looks the binaries up by build ID.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define _build_id_links none")
# The folders the package shares with the system belong to the system's own packages.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
    /usr/lib/vst3 /usr/lib/clap /usr/lib/lv2 /usr/share/man /usr/share/man/man1 /usr/share/vst3 /usr/share/vst3/presets
    /usr/share/doc)

include(CPack)
