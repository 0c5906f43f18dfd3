# Fails unless the adapter library exports exactly its entry points.
#   cmake -DNM=<nm> -DLIBRARY=<file> -P check_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE symbols
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} could not read ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(exported "")
foreach(line IN LISTS lines)
    string(REGEX REPLACE "^.* " "" name "${line}")
    string(REGEX REPLACE "@.*$" "" name "${name}")
    list(APPEND exported ${name})
endforeach()
list(REMOVE_ITEM exported "")
list(SORT exported)
set(expected Cleanup_libMPSSE FT_ReadGPIO FT_WriteGPIO Init_libMPSSE SPI_CloseChannel
             SPI_GetChannelInfo SPI_GetNumChannels SPI_InitChannel SPI_IsBusy SPI_OpenChannel
             SPI_Read SPI_ReadWrite SPI_Write)
list(SORT expected)
if(NOT exported STREQUAL expected)
    message(FATAL_ERROR "exported: ${exported}\nexpected: ${expected}")
endif()
message(STATUS "exports: ${exported}")
