# Warnings for every target of the project, as an interface target.
add_library(qvn_warnings INTERFACE)
target_compile_options(qvn_warnings INTERFACE -Wall -Wextra -Wpedantic)
option(QVN_WARNINGS_AS_ERRORS "Treat warnings as errors" ON)
if(QVN_WARNINGS_AS_ERRORS)
  target_compile_options(qvn_warnings INTERFACE -Werror)
endif()
