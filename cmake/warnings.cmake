# The one place for warning flags. Every target of ours gets the common set; the portable core
# also the conversion warnings. CVINST_WERROR (on in CI) turns every warning into an error.
option(CVINST_WERROR "Treat compiler warnings as errors" OFF)

set(CVINST_WARNINGS -Wall -Wextra -Wpedantic)
if(CVINST_WERROR)
  list(APPEND CVINST_WARNINGS -Werror)
endif()
set(CVINST_PORTABLE_WARNINGS -Wconversion -Wno-sign-conversion)

# Added after GoogleTest, so that only our own targets get them.
add_compile_options(${CVINST_WARNINGS})
