# Read by CPack once per generator: where each part goes in that package.
macro(torvik_package_layout prefix top_folder vst3 clap lv2 bin man presets docs)
    set(CPACK_PACKAGING_INSTALL_PREFIX "${prefix}")
    set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ${top_folder})
    set(ENV{TORVIK_PACKAGE_VST3_DIR} "${vst3}")
    set(ENV{TORVIK_PACKAGE_CLAP_DIR} "${clap}")
    set(ENV{TORVIK_PACKAGE_LV2_DIR} "${lv2}")
    set(ENV{TORVIK_PACKAGE_BIN_DIR} "${bin}")
    set(ENV{TORVIK_PACKAGE_MAN_DIR} "${man}")
    set(ENV{TORVIK_PACKAGE_PRESET_DIR} "${presets}")
    set(ENV{TORVIK_PACKAGE_DOC_DIR} "${docs}")
endmacro()

if(CPACK_GENERATOR STREQUAL "DEB" OR CPACK_GENERATOR STREQUAL "RPM")
    # Installed under /usr: the system VST 3, CLAP and LV2 folders, the path, the system preset
    # folder.
    torvik_package_layout("/usr" OFF "lib/vst3" "lib/clap" "lib/lv2" "bin" "share/man/man1"
                          "share/vst3/presets/Quellmark/TORVIK" "share/doc/torvik")
else()
    # One folder, TORVIK-<version>-Linux-x86_64, that can be unpacked anywhere.
    set(CPACK_PACKAGE_FILE_NAME "TORVIK-${CPACK_PACKAGE_VERSION}-Linux-x86_64")
    torvik_package_layout("/" ON "." "." "." "." "." "presets" ".")
endif()

# The .deb generator takes the debug information into torvik-dbgsym and strips the binaries
# itself; it needs them whole. The other packages are stripped on installation.
if(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_STRIP_FILES OFF)
    list(APPEND CPACK_COMPONENTS_ALL package_debian)
endif()
