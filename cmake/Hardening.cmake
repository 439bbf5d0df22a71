# Release builds are hardened as Debian hardens its own packages
# (`DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags`): checked buffer
# functions, stack protector and stack clash protection, control-flow
# protection, format-string errors, a position-independent executable, and
# relocations made read-only after loading with every symbol bound at start.
# Not with the sanitizers, which bring their own checks and clash with
# _FORTIFY_SOURCE.
include(CheckCXXCompilerFlag)
include(CheckPIESupported)

if(ORVITA_SANITIZE OR NOT CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  return()
endif()

check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
# -U first: a compiler that predefines another level would otherwise warn, and warnings are errors here.
add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2 -fstack-protector-strong -Wformat -Werror=format-security)
foreach(flag -fstack-clash-protection -fcf-protection)
  string(MAKE_C_IDENTIFIER "orvita_has${flag}" supported)
  check_cxx_compiler_flag(${flag} ${supported})
  if(${supported})
    add_compile_options(${flag})
  endif()
endforeach()
add_link_options(LINKER:-z,relro LINKER:-z,now)
