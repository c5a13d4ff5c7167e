# Warnings are errors on every compiler the project builds with.
function(telvia_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /permissive- /utf-8)
  else()
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
      -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough -Werror)
  endif()
endfunction()
