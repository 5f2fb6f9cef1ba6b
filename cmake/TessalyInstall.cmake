# The engine as a library for other programs: libtessaly (with the runtime it calls) and its
# headers <tessaly/...>, found through find_package(Tessaly) as Tessaly::convert or
# through pkg-config as tessaly.
include(CMakePackageConfigHelpers)

set(TESSALY_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tessaly)

install(TARGETS tessaly_convert tessaly_runtime EXPORT TessalyTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
# Every public header, written or generated at configure time.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/convert/include/tessaly
                  ${PROJECT_BINARY_DIR}/convert/include/tessaly
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development OPTIONAL
        FILES_MATCHING PATTERN "*.h")
install(EXPORT TessalyTargets NAMESPACE Tessaly:: DESTINATION ${TESSALY_CMAKEDIR}
        COMPONENT development)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/TessalyConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/TessalyConfig.cmake
                              INSTALL_DESTINATION ${TESSALY_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TessalyConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TessalyConfig.cmake
              ${PROJECT_BINARY_DIR}/TessalyConfigVersion.cmake
        DESTINATION ${TESSALY_CMAKEDIR} COMPONENT development)

# tessaly.pc finds its prefix from where it lies, so the tree can be installed anywhere.
file(RELATIVE_PATH TESSALY_PC_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" TESSALY_PC_PREFIX "${TESSALY_PC_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/tessaly.pc.in ${PROJECT_BINARY_DIR}/tessaly.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tessaly.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
