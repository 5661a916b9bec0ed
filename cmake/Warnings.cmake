# Warnings for every target of the project, as an interface target.
add_library(qvn_warnings INTERFACE)
target_compile_options(qvn_warnings INTERFACE -Wall -Wextra -Wpedantic)

# GCC 12 reports a false -Wrestrict inside std::string's own copy at -O2 and
# above (GCC bug 105329): the overlap it describes cannot happen. Only that
# warning is switched off, and only for that compiler.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(qvn_warnings INTERFACE -Wno-restrict)
endif()

# Off by default, so that a user's compiler with new warnings still builds;
# the project's own scripts turn it on.
option(QVN_WARNINGS_AS_ERRORS "Treat warnings as errors" OFF)
if(QVN_WARNINGS_AS_ERRORS)
  target_compile_options(qvn_warnings INTERFACE -Werror)
endif()

# Targets that declare windows as data: a window structure names only the
# attributes its controls have, with designated initialisers, so missing
# field initialisers are the point. GCC 12 at -O3 also reports the default
# std::string members of those skipped fields as "maybe uninitialized"
# (a false positive of its flow analysis over large aggregate lists); that
# warning is switched off for these targets and that compiler only.
function(qvn_window_structures target)
  target_compile_options(${target} PRIVATE -Wno-missing-field-initializers)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
     AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
  endif()
endfunction()
