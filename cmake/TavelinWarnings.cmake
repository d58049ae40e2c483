# The one place where our targets get their warning flags; third-party code never does.
function(tavelin_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
