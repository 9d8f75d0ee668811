# Debian packages of the installed files, made by CPack's DEB generator
# (scripts/package): every name, version and dependency follows from the one
# version in CMakeLists.txt and the components of cmake/Install.cmake.
#
#   libkxsoacommon<SOVERSION>, libkxsoaimportexporttypes<SOVERSION>
#       each shared object under its SONAME: a SONAME bump renames them, so
#       that programs linked against the old one keep it installed
#   libkxsoaimportexporttypes-dev
#       headers, the .so links, the CMake package, pkg-config files, schemas,
#       the API reference
#   kxsoa-ie
#       the message tool and its manual page
#
# dpkg-shlibdeps computes what each package needs of the system (libc,
# libstdc++, libxml2); between these packages, each depends on the exact
# version of the ones its files link (CPack's component dependencies), and
# the runtime packages declare their shared objects (shlibs) for packages
# built against them.
set(KXSOA_PACKAGE_MAINTAINER "kxsoaimportexporttypes maintainers <maintainers@kestrune.com>"
  CACHE STRING "Maintainer field of the Debian packages")

set(soversion ${PROJECT_VERSION_MAJOR})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kxsoaimportexporttypes)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_SOURCE kxsoaimportexporttypes)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KXSOA_PACKAGE_MAINTAINER}")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL libkxsoacommon libkxsoaimportexporttypes dev tool)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Where dpkg-shlibdeps finds the libraries of this build that others link.
foreach(library kxsoacommon kxsoaimportexporttypes)
  get_target_property(folder ${library} BINARY_DIR)
  list(APPEND CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${folder})
endforeach()
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The installed objects lose their debug information; the build folder keeps
# it (scripts/abi reads the default preset's).
set(CPACK_STRIP_FILES ON)

set(about "The XML data-binding types of a file import/export service: fifteen request
and response messages in two schema versions, each written to and read from
XML.")
set(package_libkxsoacommon libkxsoacommon${soversion})
set(package_libkxsoaimportexporttypes libkxsoaimportexporttypes${soversion})
set(package_dev libkxsoaimportexporttypes-dev)
set(package_tool kxsoa-ie)

set(CPACK_DEBIAN_LIBKXSOACOMMON_PACKAGE_NAME ${package_libkxsoacommon})
set(CPACK_DEBIAN_LIBKXSOACOMMON_PACKAGE_SECTION libs)
# The runtime packages have the dynamic linker's cache rebuilt by a trigger.
set(CPACK_DEBIAN_LIBKXSOACOMMON_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_DEBIAN_LIBKXSOACOMMON_DESCRIPTION "host framework layer of the import/export types
${about}
.
This package holds the shared library they run on: the reference-counted
object base, the XML writer, a bounded XML reader of its own, the memory
manager hook, timing probes, business-object references and service data.")

set(CPACK_DEBIAN_LIBKXSOAIMPORTEXPORTTYPES_PACKAGE_NAME ${package_libkxsoaimportexporttypes})
set(CPACK_DEBIAN_LIBKXSOAIMPORTEXPORTTYPES_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBKXSOAIMPORTEXPORTTYPES_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_COMPONENT_LIBKXSOAIMPORTEXPORTTYPES_DEPENDS libkxsoacommon)
set(CPACK_DEBIAN_LIBKXSOAIMPORTEXPORTTYPES_DESCRIPTION "XML data-binding types of a file import/export service
${about}
.
This package holds the shared library of the message types.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME ${package_dev})
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DEPENDS libkxsoacommon libkxsoaimportexporttypes)
set(CPACK_DEBIAN_DEV_DESCRIPTION "development files of the import/export types
${about}
.
This package holds what building against the two libraries needs: the C++17
headers, the CMake package (find_package(kxsoaimportexporttypes)), the
pkg-config files, the XML Schemas of the messages and the API reference
in HTML.")

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME ${package_tool})
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOL_DEPENDS libkxsoacommon libkxsoaimportexporttypes)
set(CPACK_DEBIAN_TOOL_DESCRIPTION "check, compare and write import/export service messages
${about}
.
kxsoa-ie lists the message types, writes samples, checks messages against
their type and schema, compares two messages by content and prints the
schemas.")

# The Debian changelog: the section of CHANGELOG.md headed with this version,
# its Markdown as Debian changelog lines. A version without a section of its
# own, or whose section still has notes to complete, stops here, so that a
# release says what it changes.
file(READ ${PROJECT_SOURCE_DIR}/CHANGELOG.md changes)
string(FIND "${changes}" "\n## ${PROJECT_VERSION}\n" start)
if(start EQUAL -1)
  message(FATAL_ERROR "CHANGELOG.md has no section \"## ${PROJECT_VERSION}\": "
    "write what version ${PROJECT_VERSION} changes there before packaging it")
endif()
string(LENGTH "\n## ${PROJECT_VERSION}\n" heading)
math(EXPR start "${start} + ${heading} - 1")
string(SUBSTRING "${changes}" ${start} -1 changes)
string(FIND "${changes}" "\n## " end)
string(SUBSTRING "${changes}" 0 ${end} changes)
string(TOLOWER "${changes}" lower)
string(FIND "${lower}" "to complete" unfinished)
if(NOT unfinished EQUAL -1)
  message(FATAL_ERROR "The section \"## ${PROJECT_VERSION}\" of CHANGELOG.md still says \"to complete\": "
    "complete it as it says, and take its notes out")
endif()
string(REGEX REPLACE "\n  " "\n    " changes "${changes}")
string(REGEX REPLACE "\n- " "\n  * " changes "${changes}")
string(REGEX REPLACE "\n### " "\n" changes "${changes}")
string(REGEX REPLACE "\n([^ \n])" "\n  \\1" changes "${changes}")
string(STRIP "${changes}" changes)
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)  # SOURCE_DATE_EPOCH when set
set(changelog ${PROJECT_BINARY_DIR}/debian/changelog)
file(WRITE ${changelog} "kxsoaimportexporttypes (${PROJECT_VERSION}) unstable; urgency=medium\n\n  ${changes}\n\n"
  " -- ${KXSOA_PACKAGE_MAINTAINER}  ${date}\n")
execute_process(COMMAND gzip -9 --no-name --force --keep ${changelog} COMMAND_ERROR_IS_FATAL ANY)

# Each package's own copyright file and changelog, installed only into the packages.
foreach(component ${CPACK_COMPONENTS_ALL})
  install(FILES cmake/debian/copyright ${changelog}.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package_${component}} COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

include(CPack)
