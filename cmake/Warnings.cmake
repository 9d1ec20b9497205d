# Every target of the project compiles with the same warning set; CI treats warnings as errors.
add_library(kalvane_warnings INTERFACE)
target_compile_options(kalvane_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow
                                                  -Wnon-virtual-dtor -Wold-style-cast)
if(KALVANE_WERROR)
  target_compile_options(kalvane_warnings INTERFACE -Werror)
endif()
