# Installation and packages: the two programs, the manual, the example data,
# a desktop entry with its icon and file type, and CPack (.deb and .tar.gz).
# Included from the top-level CMakeLists.txt after the targets exist.
include(GNUInstallDirs)

set(ZELTRIC_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
# The help viewer looks for the manual in ../share/zeltric beside bin/.
set(ZELTRIC_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/zeltric)

if(TARGET zeltric)
  install(TARGETS zeltric RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS zeltric-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${PROJECT_SOURCE_DIR}/docs/manual.html DESTINATION ${ZELTRIC_DATA_DESTINATION})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images DESTINATION ${ZELTRIC_DATA_DESTINATION}
        OPTIONAL FILES_MATCHING PATTERN "*.png")
install(FILES ${PROJECT_SOURCE_DIR}/examples/trout.dat ${PROJECT_SOURCE_DIR}/examples/trout.lab
        DESTINATION ${ZELTRIC_DATA_DESTINATION}/examples)

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

if(TARGET zeltric)
  install(FILES ${ZELTRIC_PACKAGING_DIR}/zeltric.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${ZELTRIC_PACKAGING_DIR}/zeltric-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME zeltric.xml)
  install(FILES ${ZELTRIC_PACKAGING_DIR}/zeltric.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 48 128 256)
    install(FILES ${ZELTRIC_PACKAGING_DIR}/icons/zeltric-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME zeltric.png)
  endforeach()
endif()

# Packages: `cpack -G DEB` (or TGZ) in the build folder.
set(CPACK_PACKAGE_NAME zeltric)
set(CPACK_PACKAGE_VENDOR "The ZELTRIC developers")
set(CPACK_PACKAGE_CONTACT "ZELTRIC maintainers <zeltric-maintainers@users.noreply.example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "allele frequencies, weighted PCA, Fst and permutation tests of population samples")
set(CPACK_PACKAGE_DESCRIPTION
    "ZELTRIC analyses diploid genotypes of population samples at codominant loci:
it writes the allele frequencies of every sample, performs a principal
component analysis of the centred allele frequencies weighted by sample
size (total inertia, global and per-axis Fst, broken-stick axes, sample and
allele coordinates), tests the differentiation by permuting whole
individuals among samples, and plots the samples on two chosen axes.
It comes as a desktop application (zeltric) and a batch front end for
scripts and clusters (zeltric-cli).")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/build/;/\\\\.git/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt libraries, libcrypto (libssl3, for the run record's SHA-256) and the
# C++ runtime are found from the programs' links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The plots write text; without any font Qt has nothing to draw it with.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)

include(${CMAKE_CURRENT_LIST_DIR}/screenshots.cmake)

# The installation and the package are checked in a temporary root by
# scripts/check-install; CTest runs it on this build. Once is enough: the
# sanitizer build would only package the same files again, more slowly.
if(ZELTRIC_BUILD_TESTS AND TARGET zeltric AND NOT ZELTRIC_SANITIZE)
  add_test(NAME install_check COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-install ${CMAKE_BINARY_DIR})
  set_tests_properties(install_check PROPERTIES TIMEOUT 600 ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                       LABELS packaging)
endif()
