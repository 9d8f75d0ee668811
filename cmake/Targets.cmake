# Compiler settings and the library target shape shared by the project.
add_library(kxsoa_build_flags INTERFACE)
target_compile_options(kxsoa_build_flags INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)
if(KXSOA_WARNINGS_AS_ERRORS)
  target_compile_options(kxsoa_build_flags INTERFACE -Werror)
endif()
# A debug build checks every index into the standard containers: a fault
# that reads or writes past a vector's end stops the program there.
target_compile_definitions(kxsoa_build_flags INTERFACE $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
if(KXSOA_SANITIZE)
  target_compile_options(kxsoa_build_flags INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(kxsoa_build_flags INTERFACE -fsanitize=address,undefined)
endif()
if(KXSOA_FUZZ)
  # Coverage instrumentation for everything built, the libraries included:
  # the fuzz targets add libFuzzer itself.
  target_compile_options(kxsoa_build_flags INTERFACE -fsanitize=fuzzer-no-link)
endif()

# A versioned library of this project, shared unless BUILD_SHARED_LIBS is
# off: hidden symbols but those its export macro marks (`<building_define>`
# is set while building it, the same name ending in _STATIC instead for it
# and its users when it is static), its headers found from the source root (installed under
# include/kxsoa), and the namespace host compiled in. C++17 is a usage
# requirement: the headers need it, so every consumer compiles at C++17 or
# later whatever its compiler's default.
function(kxsoa_add_library name building_define)
  add_library(${name} ${ARGN})
  if(NOT BUILD_SHARED_LIBS)
    string(REPLACE _BUILDING _STATIC static_define ${building_define})
    target_compile_definitions(${name} PUBLIC ${static_define})
  endif()
  add_library(kxsoa::${name} ALIAS ${name})
  set_target_properties(${name} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    EXPORT_NAME ${name}
    INSTALL_RPATH "$ORIGIN")
  target_compile_features(${name} PUBLIC cxx_std_17)
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/kxsoa>)
  target_compile_definitions(${name}
    PRIVATE ${building_define} "KXSOA_NAMESPACE_HOST=\"${KXSOA_NAMESPACE_HOST}\"")
  target_link_libraries(${name} PRIVATE $<BUILD_INTERFACE:kxsoa_build_flags>)
endfunction()
