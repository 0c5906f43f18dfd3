# Fails when the adapter library that ships carries the MPSSE engine model, the virtual chip or
# the switch that would turn it into either.
#   cmake -DNM=<nm> -DLIBRARY=<file> -P check_no_model.cmake
execute_process(COMMAND ${NM} -C ${LIBRARY} OUTPUT_VARIABLE symbols ERROR_VARIABLE ignored
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} could not read ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]*(mpsse_model::|sim::)[^\n]*" model_symbols "${symbols}")
file(STRINGS ${LIBRARY} model_texts REGEX "QX_FTDI_MODEL|QX5520_SIM|virtual chip")
if(model_symbols OR model_texts)
    message(FATAL_ERROR "${LIBRARY} holds the model:\n${model_symbols}\n${model_texts}")
endif()
string(LENGTH "${symbols}" length)
if(length EQUAL 0)
    message(FATAL_ERROR "${NM} listed no symbol of ${LIBRARY}: nothing was checked")
endif()
message(STATUS "no model in ${LIBRARY}")
