# Installation: headers under include/, the library, a CMake package (ECCrypt::ECCrypt)
# and a pkg-config file (eccrypt).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/ECCrypt ${PROJECT_SOURCE_DIR}/ECPlatform
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
install(TARGETS ECCrypt EXPORT ECCryptTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
set_target_properties(ECCrypt PROPERTIES INTERFACE_INCLUDE_DIRECTORIES
    "$<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>;$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>")
install(EXPORT ECCryptTargets NAMESPACE ECCrypt::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ECCrypt)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/ECCryptConfig.cmake.in
    ${PROJECT_BINARY_DIR}/ECCryptConfig.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ECCrypt)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ECCryptConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ECCryptConfig.cmake
              ${PROJECT_BINARY_DIR}/ECCryptConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ECCrypt)
# The .pc file finds its prefix relative to itself, so an install works under any --prefix.
file(RELATIVE_PATH ECCRYPT_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/eccrypt.pc.in ${PROJECT_BINARY_DIR}/eccrypt.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/eccrypt.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
# The example programs, as documentation.
install(FILES ${PROJECT_SOURCE_DIR}/examples/example.cpp
              ${PROJECT_SOURCE_DIR}/examples/keysAndSignatures.cpp
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
