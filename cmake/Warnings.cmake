# Warnings are errors on our own code; third-party headers come in as SYSTEM.
function(kvd_strict_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      -Wconversion -Wno-sign-conversion -Werror)
  elseif(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /utf-8)
  endif()
endfunction()
