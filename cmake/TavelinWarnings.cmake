# The one place where our targets get their warning flags; third-party code never does.
function(tavelin_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    # At -O3, GCC 12 reports overlapping copies inside std::string's operator+ that cannot
    # happen (a known false positive of that version); any "x" + std::to_string(n) trips it.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
endfunction()
