# The installed package: the three libraries with their public headers (include/tarnvelloc/),
# the velloc command, the schema and seed scripts, the SQLite extension libtarn_sqlite_erp.so
# (the ERP_CI collation and the catalogue views, for other tools that open an ERP database:
# `.load /usr/local/lib/libtarn_sqlite_erp` in the sqlite3 shell), a CMake package
# (find_package(TarnVelloc CONFIG) gives TarnVelloc::automation, TarnVelloc::component and
# TarnVelloc::erp) and pkg-config files (tarnvelloc-automation, tarnvelloc, tarnvelloc-erp).
include(CMakePackageConfigHelpers)

set(TARN_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/TarnVelloc)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/tarnvelloc
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TARGET tarn_sqlite_erp)
  install(TARGETS tarn_sqlite_erp LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/db/schema.sql ${PROJECT_SOURCE_DIR}/db/seed.sql
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tarnvelloc)

install(EXPORT TarnVellocTargets NAMESPACE TarnVelloc:: DESTINATION ${TARN_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/TarnVellocConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/TarnVellocConfig.cmake
                              INSTALL_DESTINATION ${TARN_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TarnVellocConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TarnVellocConfig.cmake
              ${PROJECT_BINARY_DIR}/TarnVellocConfigVersion.cmake
        DESTINATION ${TARN_CMAKE_DIR})

# The pkg-config files find the prefix relative to their own folder, so the installed tree can
# be moved (or installed with --prefix) after configuring.
file(RELATIVE_PATH TARN_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
foreach(pc tarnvelloc-automation tarnvelloc tarnvelloc-erp)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
