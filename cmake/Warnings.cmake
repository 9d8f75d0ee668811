# Compiler settings shared by every target of the project.
add_library(kxsoa_build_flags INTERFACE)
target_compile_options(kxsoa_build_flags INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)
if(KXSOA_WARNINGS_AS_ERRORS)
  target_compile_options(kxsoa_build_flags INTERFACE -Werror)
endif()
if(KXSOA_SANITIZE)
  target_compile_options(kxsoa_build_flags INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(kxsoa_build_flags INTERFACE -fsanitize=address,undefined)
endif()
