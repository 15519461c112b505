# Installation in two components: runtime (the programs, the shared library
# and the manual page, compressed as Debian keeps manual pages) and dev (the
# headers, pkg-config file and CMake package). `cpack` builds a Debian package
# of each: vocana and vocana-dev.
install(TARGETS vocana vocana-track RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(PROGRAMS tools/vocana-plot DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(TARGETS vocana_shared EXPORT vocanaTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
install(DIRECTORY include/vocana DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev
        FILES_MATCHING PATTERN "*.h")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/include/vocana/version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vocana COMPONENT dev)
set(VOCANA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/vocana)
install(EXPORT vocanaTargets NAMESPACE vocana:: DESTINATION ${VOCANA_CMAKE_DIR} COMPONENT dev)
include(CMakePackageConfigHelpers)
configure_package_config_file(cmake/vocanaConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/vocanaConfig.cmake
                              INSTALL_DESTINATION ${VOCANA_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/vocanaConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vocanaConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/vocanaConfigVersion.cmake
        DESTINATION ${VOCANA_CMAKE_DIR} COMPONENT dev)
# The pkg-config file finds the prefix relative to its own folder, so an
# installation can be moved (cmake --install --prefix, a package).
file(RELATIVE_PATH VOCANA_PC_TO_PREFIX /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
configure_file(cmake/vocana.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vocana.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vocana.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
# The page also covers vocana-plot, so `man vocana-plot` opens it through a link.
add_custom_command(
  OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/vocana.1.gz ${CMAKE_CURRENT_BINARY_DIR}/vocana-plot.1.gz
  COMMAND sh -c "gzip -9 -n -c \"$0\" > \"$1\"" ${PROJECT_SOURCE_DIR}/doc/vocana.1
          ${CMAKE_CURRENT_BINARY_DIR}/vocana.1.gz
  COMMAND ${CMAKE_COMMAND} -E create_symlink vocana.1.gz
          ${CMAKE_CURRENT_BINARY_DIR}/vocana-plot.1.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/doc/vocana.1
  VERBATIM)
add_custom_target(vocana_manual ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/vocana.1.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vocana.1.gz ${CMAKE_CURRENT_BINARY_DIR}/vocana-plot.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vocana)
set(CPACK_PACKAGE_CONTACT "vocana maintainers <vocana@invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "speech analyser by linear prediction: formants, LP coefficients, spectra")
set(CPACK_PACKAGE_DESCRIPTION
    "vocana reads a 16-bit mono sound file (RIFF WAVE or raw), cuts it into\n\
Hamming-windowed frames and writes, frame by frame, plain-text streams of\n\
formant frequencies and bandwidths, FFT and LPC power spectra, LP\n\
coefficients and spectral tilts. vocana-plot draws a spectrogram with the\n\
formant tracks as a PNG. vocana-track writes labelled formant tracks F1..F5\n\
of any sound file libsndfile reads as a table (TSV, CSV or JSON).")
set(CPACK_DEB_COMPONENT_INSTALL ON)
# python/CMakeLists.txt adds the component of the Python module (python3-vocana).
set(CPACK_COMPONENTS_ALL runtime dev ${VOCANA_PYTHON_COMPONENTS})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME vocana)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME vocana-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "vocana (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DESCRIPTION
    "headers, pkg-config file and CMake package of the vocana library")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnuplot-nox")
set(CPACK_STRIP_FILES ON)
# dpkg-shlibdeps (package dpkg-dev) derives the library dependencies with
# their versions; without it the one library is named by hand.
find_program(VOCANA_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VOCANA_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsndfile1, libsoxr0")
endif()
include(CPack)
