# The one recipe for a VST 3 bundle. torvik_vst3_bundle(target name bundle_dir)
# turns a MODULE library into bundle_dir/NAME.vst3 with the platform's layout:
#
#   Linux:   NAME.vst3/Contents/<arch>-linux/NAME.so   (exports from vst3module.map)
#   Windows: NAME.vst3/Contents/x86_64-win/NAME.vst3   (exports from vst3module.def)
#
# Either way the module exports only its entry points.
function(torvik_vst3_bundle target name bundle_dir)
    set(contents ${bundle_dir}/${name}.vst3/Contents)
    set(exports_dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
    if(WIN32)
        set_target_properties(${target} PROPERTIES
            PREFIX ""
            OUTPUT_NAME ${name}
            SUFFIX ".vst3"
            LIBRARY_OUTPUT_DIRECTORY ${contents}/x86_64-win)
        target_sources(${target} PRIVATE ${exports_dir}/vst3module.def)
        # The C++ runtime, libgcc and winpthread go inside: a host needs
        # nothing but Windows' own libraries to load the module.
        target_link_options(${target} PRIVATE -static -Wl,--no-undefined)
    else()
        set_target_properties(${target} PROPERTIES
            PREFIX ""
            OUTPUT_NAME ${name}
            SUFFIX ".so"
            LIBRARY_OUTPUT_DIRECTORY ${contents}/${CMAKE_SYSTEM_PROCESSOR}-linux)
        set(map ${exports_dir}/vst3module.map)
        target_link_options(${target} PRIVATE -Wl,--version-script=${map})
        set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
        # Every symbol resolved at link time; clang's sanitizer runtimes live in
        # the executable that loads the module, so sanitized clang builds skip it.
        if(NOT (CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND CMAKE_CXX_FLAGS MATCHES "sanitize"))
            target_link_options(${target} PRIVATE -Wl,--no-undefined)
        endif()
    endif()
endfunction()
