# qx_warnings(target): the project's warning set, errors in CI.
function(qx_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${QX_WERROR}>:/WX>)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
                               $<$<BOOL:${QX_WERROR}>:-Werror>)
    endif()
endfunction()
