# The X input probe, shared by the benchmarks and the lost-press test, whichever comes first.
if(NOT TARGET xprobe)
    find_package(X11 REQUIRED)
    if(NOT TARGET X11::Xtst)
        message(FATAL_ERROR "xprobe needs the XTest library (Debian: libxtst-dev)")
    endif()
    add_executable(xprobe ${PROJECT_SOURCE_DIR}/bench/xprobe.cpp)
    target_compile_features(xprobe PRIVATE cxx_std_20)
    # Plain Xlib, nothing for moc; built next to the benchmarks whichever directory defines it.
    set_target_properties(xprobe PROPERTIES AUTOMOC OFF
        RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
    target_link_libraries(xprobe PRIVATE X11::X11 X11::Xtst morvane_warnings)
endif()
