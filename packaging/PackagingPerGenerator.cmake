# Read by CPack once per generator: where each part goes in that package.
if(CPACK_GENERATOR STREQUAL "DEB")
    # Installed under /usr: the system VST 3 folder, the path, the system preset folder.
    set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
    set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    set(ENV{TORVIK_PACKAGE_VST3_DIR} "lib/vst3")
    set(ENV{TORVIK_PACKAGE_BIN_DIR} "bin")
    set(ENV{TORVIK_PACKAGE_PRESET_DIR} "share/vst3/presets/Quellmark/TORVIK")
    set(ENV{TORVIK_PACKAGE_DOC_DIR} "share/doc/torvik")
else()
    # One folder, TORVIK-<version>-Linux-x86_64, that can be unpacked anywhere.
    set(CPACK_PACKAGE_FILE_NAME "TORVIK-${CPACK_PACKAGE_VERSION}-Linux-x86_64")
    set(CPACK_PACKAGING_INSTALL_PREFIX "/")
    set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
    set(ENV{TORVIK_PACKAGE_VST3_DIR} ".")
    set(ENV{TORVIK_PACKAGE_BIN_DIR} ".")
    set(ENV{TORVIK_PACKAGE_PRESET_DIR} "presets")
    set(ENV{TORVIK_PACKAGE_DOC_DIR} ".")
endif()
