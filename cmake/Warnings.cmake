# Every target of our own builds with the same strict warnings, as errors.
function(scour_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wcast-qual -Wformat=2
    -Wnon-virtual-dtor -Wold-style-cast -Wnull-dereference -Werror)
endfunction()
