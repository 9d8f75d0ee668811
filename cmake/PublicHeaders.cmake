# The headers that make up the installed interface: every header of these
# source folders except the internal ones below. importexport/ImportExport.h
# includes all the others. The binding's own headers are in xml/internal/,
# a folder of no installed interface.
set(KXSOA_HEADER_FOLDERS host xml importexport importexport/2007_06 importexport/2008_06)
set(KXSOA_INTERNAL_HEADERS host/NamespaceHost.h host/SchemaNames.h host/XmlCharacters.h)
set(KXSOA_INTERNAL_HEADER_FOLDERS xml/internal)

# Sets `out` to the public headers of `folder`, relative to the source root.
function(kxsoa_public_headers out folder)
  file(GLOB headers RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  if(headers)
    list(REMOVE_ITEM headers ${KXSOA_INTERNAL_HEADERS})
  endif()
  set(${out} ${headers} PARENT_SCOPE)
endfunction()
