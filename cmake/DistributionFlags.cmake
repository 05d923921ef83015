# The distribution's build flags (dpkg-buildflags) on everything this build compiles and links:
# the hardening a Debian package is expected to carry (stack protector, fortified functions,
# full RELRO with immediate binding, PIE). The release preset turns it on, because the Debian
# package is made from that build and its tests should run the very binaries that ship; the
# sanitizer, debug and cross presets keep their own flags.
#
# CMake reads CFLAGS, CXXFLAGS and LDFLAGS from the environment only on a first configure and
# never reads CPPFLAGS, so the flags are asked for here and appended on every configure.
# DEB_BUILD_MAINT_OPTIONS from the environment wins; without it all hardening is asked for, as
# a package's rules file would (bindnow is not in dpkg's default set).
option(KVD_DISTRIBUTION_FLAGS "Build with the flags of dpkg-buildflags (Debian hardening)" OFF)

if(KVD_DISTRIBUTION_FLAGS AND NOT CMAKE_CROSSCOMPILING)
  find_program(DPKG_BUILDFLAGS dpkg-buildflags)
  if(NOT DPKG_BUILDFLAGS)
    message(FATAL_ERROR "KVD_DISTRIBUTION_FLAGS needs dpkg-buildflags (Debian's dpkg-dev)")
  endif()
  if(DEFINED ENV{DEB_BUILD_MAINT_OPTIONS})
    set(kvd_maint_options "$ENV{DEB_BUILD_MAINT_OPTIONS}")
  else()
    set(kvd_maint_options "hardening=+all")
  endif()

  function(kvd_buildflag name out)
    # Run from the source folder: dpkg-buildflags maps that folder away in file names
    # (-ffile-prefix-map), which keeps the binaries free of the build machine's paths.
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env "DEB_BUILD_MAINT_OPTIONS=${kvd_maint_options}"
              ${DPKG_BUILDFLAGS} --get ${name}
      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "dpkg-buildflags --get ${name} failed")
    endif()
    set(${out} "${flags}" PARENT_SCOPE)
  endfunction()

  kvd_buildflag(CPPFLAGS kvd_cppflags)
  kvd_buildflag(CXXFLAGS kvd_cxxflags)
  kvd_buildflag(LDFLAGS kvd_ldflags)
  string(APPEND CMAKE_CXX_FLAGS " ${kvd_cppflags} ${kvd_cxxflags}")
  if(CMAKE_C_COMPILER_LOADED)
    kvd_buildflag(CFLAGS kvd_cflags)
    string(APPEND CMAKE_C_FLAGS " ${kvd_cppflags} ${kvd_cflags}")
  endif()
  foreach(kind EXE SHARED MODULE)
    string(APPEND CMAKE_${kind}_LINKER_FLAGS " ${kvd_ldflags}")
  endforeach()
  message(STATUS "Distribution flags: ${kvd_cppflags} ${kvd_cxxflags} | ${kvd_ldflags}")
endif()
