# Warnings are errors on our own code; third-party headers come in as SYSTEM.
function(kvd_strict_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      -Wconversion -Wno-sign-conversion -Werror)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
      # GCC 12 at -O2/-O3 reports "literal" + std::string as overlapping memcpy (PR 105329).
      target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
  elseif(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /utf-8)
  endif()
endfunction()
