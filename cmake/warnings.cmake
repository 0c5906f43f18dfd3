# qx_warnings(target): the project's warning set, errors in CI. MSVC also reads and writes
# every source as UTF-8 (/utf-8): the Cyrillic captions and messages are UTF-8 literals.
function(qx_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /utf-8 $<$<BOOL:${QX_WERROR}>:/WX>)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
                               $<$<BOOL:${QX_WERROR}>:-Werror>)
    endif()
endfunction()
