# The Debian package (QX_PACKAGE): the program, its language files and both adapter
# libraries in /usr/lib/qx5520/ side by side, /usr/bin/qx5520 a link to it, menu entries,
# icons, AppStream metadata, the manual page, the udev rule for FTDI adapters and the Python
# module.
#   cmake --preset package && cmake --build --preset package --target package
set(qx_packaging ${PROJECT_SOURCE_DIR}/packaging)
if(NOT TARGET qx_ftdi OR NOT TARGET qx_sim)
    message(FATAL_ERROR "The package needs both adapter libraries: the libftdi1 backend "
                        "(libftdi1-dev) and the virtual chip")
endif()
set(qx_program_dir ${QX_PROGRAM_DIR})

install(FILES ${qx_packaging}/qx5520.desktop ${qx_packaging}/qx5520-virtual.desktop
        DESTINATION share/applications)
install(FILES ${qx_packaging}/icons/qx5520.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
    install(FILES ${qx_packaging}/icons/qx5520-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME qx5520.png)
endforeach()
install(FILES ${qx_packaging}/org.qx5520.QX5520.metainfo.xml DESTINATION share/metainfo)
# The adapter libraries as targets, so that the package's strip step reaches them.
install(TARGETS qx_sim qx_ftdi LIBRARY DESTINATION ${qx_program_dir}
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(FILES ${qx_packaging}/70-qx5520-ftdi.rules DESTINATION lib/udev/rules.d)
# The Python module qx5520 for the system's Python 3, which finds the adapter libraries in
# /usr/lib/qx5520.
if(NOT TARGET qx_python)
    message(FATAL_ERROR "The package needs the Python module: pybind11-dev python3-dev")
endif()
set(qx_python_package lib/python3/dist-packages/qx5520)
install(TARGETS qx_python LIBRARY DESTINATION ${qx_python_package}
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(FILES ${QX_PYTHON_SOURCES} DESTINATION ${qx_python_package})

# The manual page and the changelog, compressed as Debian keeps them (no name, no time in
# the gzip header, so the package builds the same twice).
set(qx_compressed)
foreach(file qx5520.1 changelog)
    set(qx_gz ${CMAKE_CURRENT_BINARY_DIR}/${file}.gz)
    add_custom_command(OUTPUT ${qx_gz}
                       COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" gzip ${qx_packaging}/${file} ${qx_gz}
                       DEPENDS ${qx_packaging}/${file} VERBATIM)
    list(APPEND qx_compressed ${qx_gz})
endforeach()
add_custom_target(qx_package_docs ALL DEPENDS ${qx_compressed})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qx5520.1.gz DESTINATION share/man/man1)
install(FILES ${qx_packaging}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION share/doc/qx5520)

# /usr/bin/qx5520: a relative link, so the tool still finds its files beside the real path.
install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(MAKE_DIRECTORY \"\${bin}\")
    file(CREATE_LINK ../${qx_program_dir}/qx5520 \"\${bin}/qx5520\" SYMBOLIC)
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qx5520)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "QX5520 tool developers <qx5520@example.org>" CACHE STRING
    "The package's maintainer")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "evaluation and configuration tool for the QX5520 angle sensor")
# The extended description: CPack puts the summary above it and indents each line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Configures the registers of the QX5520 angle-sensor chip with write and
verify, reads its identifier and status flags, and shows its live outputs
(angle word, sine and cosine charts, an X-Y chart with an ellipse fit, a dial)
with CSV logging, through an FTDI MPSSE USB-to-SPI adapter. Calibration
assistants centre the signals and set the zero position. A window-less batch
mode serves scripts.

A second menu entry runs the tool against a virtual chip, without an adapter.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's platform plugins.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The Python module is built for the one Python 3 of the release (its ABI) and needs numpy.
execute_process(COMMAND ${QX_PYTHON_EXECUTABLE} -c
                        "import sys; print('%d.%d %d.%d' % (sys.version_info[:2] + (sys.version_info[0], sys.version_info[1] + 1)))"
                OUTPUT_VARIABLE qx_python_versions OUTPUT_STRIP_TRAILING_WHITESPACE)
separate_arguments(qx_python_versions)
list(GET qx_python_versions 0 qx_python_this)
list(GET qx_python_versions 1 qx_python_next)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-dejavu-core, qt6-translations-l10n, python3 (>= ${qx_python_this}), python3 (<< ${qx_python_next}), python3-numpy")
# Our own maintainer scripts: the udev rule on install and removal, the Python module's
# bytecode on removal, and no ldconfig (the libraries are private to the program).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${qx_packaging}/postinst ${qx_packaging}/prerm
                                       ${qx_packaging}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
