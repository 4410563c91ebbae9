# Compiler flags shared by every target of the project.

if(TAVORIN_SANITIZE)
  add_compile_options(-fsanitize=${TAVORIN_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=${TAVORIN_SANITIZE})
endif()

function(tavorin_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(TAVORIN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
