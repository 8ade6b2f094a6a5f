# The project's own code builds without warnings; third-party code does not get these flags.
function(bootwright_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
