# The one place where our targets get their warning flags; third-party code never does.
function(tavelin_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    # GCC 12 at -O3 reports overlapping copies inside std::string's operator+ that cannot
    # happen (its bug 105329), failing optimised builds of plain string concatenation.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
endfunction()
