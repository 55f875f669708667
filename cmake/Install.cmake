# `cmake --install`: the executables into bin/, the simulator library into lib/<arch>/veldris,
# the run folder's data (catalogues, samples, manuals, canopen.dev) into share/veldris, and the
# desktop integration (entry, icon, AppStream metainfo, manual pages). The program finds the
# data and the simulator relative to its executable, so any prefix works.
# `cpack -G DEB` (scripts/package.sh) makes the Debian package of it.
set(linux_dir "${PROJECT_SOURCE_DIR}/resources/linux")

install(TARGETS veldris veldris-cli RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(TARGETS pcanbasic-sim LIBRARY DESTINATION "${VELDRIS_INSTALL_LIBDIR}")
install(TARGETS pcanbasic-socketcan LIBRARY DESTINATION "${VELDRIS_INSTALL_LIBDIR}")
install(DIRECTORY "${VELDRIS_DIST_DIR}/lang" "${VELDRIS_DIST_DIR}/samples" "${VELDRIS_DIST_DIR}/doc"
        DESTINATION "${VELDRIS_INSTALL_DATADIR}")
install(FILES "${VELDRIS_DIST_DIR}/canopen.dev" DESTINATION "${VELDRIS_INSTALL_DATADIR}")

install(FILES "${linux_dir}/com.kavro.Veldris.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${linux_dir}/com.kavro.Veldris.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
install(FILES "${linux_dir}/com.kavro.Veldris.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# Debian wants manual pages and the changelog compressed with gzip -9n (no name, no time).
set(compressed_dir "${CMAKE_BINARY_DIR}/compressed")
set(compressed_files)
foreach(source veldris.1 veldris-cli.1 changelog)
  set(output "${compressed_dir}/${source}.gz")
  add_custom_command(OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${compressed_dir}"
    COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" "${linux_dir}/${source}" "${output}"
    DEPENDS "${linux_dir}/${source}"
    VERBATIM)
  list(APPEND compressed_files "${output}")
endforeach()
add_custom_target(veldris_compressed_docs ALL DEPENDS ${compressed_files})
install(FILES "${compressed_dir}/veldris.1.gz" "${compressed_dir}/veldris-cli.1.gz"
        DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${linux_dir}/copyright" "${compressed_dir}/changelog.gz"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/veldris")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veldris)
set(CPACK_PACKAGE_VENDOR "KAVRO GmbH")
set(CPACK_PACKAGE_CONTACT "KAVRO GmbH <service@kavro.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service tool for KAVRO CANopen sensors")
set(CPACK_PACKAGE_DESCRIPTION
    "Scans a CANopen bus through a PEAK PCAN adapter and reads, configures,\n\
updates and diagnoses KAVRO sensors: identity, node ID and bit rate, DCF\n\
upload, firmware update through the bootloader, error log, timing diagnosis\n\
and SRDO checksum. A command-line tool (veldris-cli) does the same from a\n\
shell, and a bus simulator with simulated sensors lets one practise without\n\
hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kavro.example/veldris")
# Library dependencies are computed from the binaries; Qt's platform plugins are loaded at run
# time, so dpkg-shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
