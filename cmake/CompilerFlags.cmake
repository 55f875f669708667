# Warnings and sanitizers for everything the project builds itself.
add_compile_options(-Wall -Wextra -Wpedantic)
if(VELDRIS_WERROR)
  add_compile_options(-Werror)
endif()

if(VELDRIS_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
