# One INTERFACE target carries the project's warning flags; every own target links it.
add_library(velmora_warnings INTERFACE)
if(MSVC)
  # /utf-8: the sources are UTF-8, and their Japanese literals must reach the
  # program as UTF-8 whatever the build machine's code page.
  target_compile_options(velmora_warnings INTERFACE /W4 /utf-8 /permissive-)
  if(VELMORA_WERROR)
    target_compile_options(velmora_warnings INTERFACE /WX)
  endif()
else()
  target_compile_options(velmora_warnings INTERFACE -Wall -Wextra -Wpedantic)
  if(VELMORA_WERROR)
    target_compile_options(velmora_warnings INTERFACE -Werror)
  endif()
endif()
