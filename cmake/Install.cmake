# Installs both libraries, their public headers under include/kxsoa/, a CMake
# package (find_package(kxsoaimportexporttypes)), pkg-config files and the
# licence.
include(CMakePackageConfigHelpers)

foreach(folder ${KXSOA_HEADER_FOLDERS})
  kxsoa_public_headers(headers ${folder})
  install(FILES ${headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kxsoa/${folder})
endforeach()

if(TARGET kxsoa-ie)
  install(TARGETS kxsoa-ie RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

install(TARGETS kxsoacommon kxsoaimportexporttypes
  EXPORT kxsoaimportexporttypesTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(KXSOA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kxsoaimportexporttypes)
install(EXPORT kxsoaimportexporttypesTargets NAMESPACE kxsoa:: DESTINATION ${KXSOA_CMAKE_DIR})
configure_package_config_file(cmake/kxsoaimportexporttypesConfig.cmake.in
  ${PROJECT_BINARY_DIR}/kxsoaimportexporttypesConfig.cmake INSTALL_DESTINATION ${KXSOA_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kxsoaimportexporttypesConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/kxsoaimportexporttypesConfig.cmake
  ${PROJECT_BINARY_DIR}/kxsoaimportexporttypesConfigVersion.cmake
  DESTINATION ${KXSOA_CMAKE_DIR})

# The pkg-config files find the prefix from their own place, so that the
# installed tree can be moved (or installed with --prefix) as a whole. The
# libraries need nothing but the C++ standard library, shared or static.
file(RELATIVE_PATH KXSOA_PC_PREFIX_FROM_PCDIR /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
foreach(library kxsoacommon kxsoaimportexporttypes)
  configure_file(cmake/${library}.pc.in ${PROJECT_BINARY_DIR}/${library}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${library}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()

# The XML Schemas of the three namespaces, written for the default namespace host.
install(FILES
  schema/Soa-2006-03-Base.xsd
  schema/ImportExport-2007-06-FileImportExport.xsd
  schema/ImportExport-2008-06-FileImportExport.xsd
  DESTINATION ${CMAKE_INSTALL_DATADIR}/kxsoa/schema)
