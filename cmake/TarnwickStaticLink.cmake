# tarnwick_link_static(PREFIX...)
# A cross build links the libraries statically: each pkg-config target PkgConfig::PREFIX is given
# the `pkg-config --static` link line, with the private dependencies of its library. Native builds
# keep the shared libraries pkg_check_modules found.
function(tarnwick_link_static)
  if(NOT CMAKE_CROSSCOMPILING)
    return()
  endif()
  foreach(prefix IN LISTS ARGN)
    set_property(TARGET PkgConfig::${prefix} PROPERTY INTERFACE_LINK_LIBRARIES
      ${${prefix}_STATIC_LDFLAGS})
  endforeach()
endfunction()
