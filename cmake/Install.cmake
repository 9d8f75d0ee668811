# Installs both libraries, their public headers under include/kxsoa/, a CMake
# package (find_package(kxsoaimportexporttypes)), pkg-config files, the
# schemas, the API reference (when built) and the licence. Each file belongs
# to the component of the Debian package that carries it (cmake/Package.cmake):
# one runtime component per library, `dev` for what building against them
# needs, `tool` for kxsoa-ie.
include(CMakePackageConfigHelpers)

foreach(folder ${KXSOA_HEADER_FOLDERS})
  kxsoa_public_headers(headers ${folder})
  install(FILES ${headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kxsoa/${folder} COMPONENT dev)
endforeach()

if(TARGET kxsoa-ie)
  install(TARGETS kxsoa-ie RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
  get_target_property(man_page kxsoa-ie MAN_PAGE)
  install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
endif()

# The API reference (docs/CMakeLists.txt), with the headers it describes.
if(TARGET doc)
  install(DIRECTORY ${PROJECT_BINARY_DIR}/docs/html DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT dev)
endif()

# A package carries its licence as its copyright file instead (cmake/Package.cmake).
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT licence)

# The shared objects under their SONAME in the runtime components; the
# unversioned link (and a static library) only in `dev`.
foreach(library kxsoacommon kxsoaimportexporttypes)
  install(TARGETS ${library}
    EXPORT kxsoaimportexporttypesTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib${library} NAMELINK_COMPONENT dev
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lib${library})
endforeach()

set(KXSOA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kxsoaimportexporttypes)
install(EXPORT kxsoaimportexporttypesTargets NAMESPACE kxsoa:: DESTINATION ${KXSOA_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(cmake/kxsoaimportexporttypesConfig.cmake.in
  ${PROJECT_BINARY_DIR}/kxsoaimportexporttypesConfig.cmake INSTALL_DESTINATION ${KXSOA_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kxsoaimportexporttypesConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/kxsoaimportexporttypesConfig.cmake
  ${PROJECT_BINARY_DIR}/kxsoaimportexporttypesConfigVersion.cmake
  DESTINATION ${KXSOA_CMAKE_DIR} COMPONENT dev)

# The pkg-config files find the prefix from their own place, so that the
# installed tree can be moved (or installed with --prefix) as a whole. The
# libraries need nothing but the C++ standard library, shared or static.
file(RELATIVE_PATH KXSOA_PC_PREFIX_FROM_PCDIR /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
foreach(library kxsoacommon kxsoaimportexporttypes)
  configure_file(cmake/${library}.pc.in ${PROJECT_BINARY_DIR}/${library}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${library}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
endforeach()

# The XML Schemas of the three namespaces, written for the default namespace host.
install(FILES
  schema/Soa-2006-03-Base.xsd
  schema/ImportExport-2007-06-FileImportExport.xsd
  schema/ImportExport-2008-06-FileImportExport.xsd
  DESTINATION ${CMAKE_INSTALL_DATADIR}/kxsoa/schema COMPONENT dev)
