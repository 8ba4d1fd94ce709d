# Warnings are errors on every compiler we ship with.
add_library(quonvel_warnings INTERFACE)
if(MSVC)
  target_compile_options(quonvel_warnings INTERFACE /W4 /WX /permissive-)
else()
  target_compile_options(quonvel_warnings INTERFACE -Wall -Wextra -Werror)
endif()
