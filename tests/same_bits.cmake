# The default build records the sessions of same_bits.sh (the Windows runners compare with it, label
# e2e-windows); any other build compares with that record.
set(GAMEVRAK_SAME_BITS_RECORD ${CMAKE_SOURCE_DIR}/build/same-bits CACHE PATH "The default build's record of the sessions")
if(GAMEVRAK_SAME_BITS_RECORD STREQUAL "${CMAKE_BINARY_DIR}/same-bits")
  add_test(NAME same_bits_record COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/same_bits.sh ${GAME_DIR}
                                         ${GAMEVRAK_SAME_BITS_RECORD} - $<TARGET_FILE:gamevrak-replay>)
  set_tests_properties(same_bits_record PROPERTIES FIXTURES_SETUP same_bits_record TIMEOUT 600)
  add_test(NAME same_bits_windows
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/same_bits_windows.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/windows-e2e
            ${GAME_DIR} ${GAMEVRAK_SAME_BITS_RECORD})
  set_tests_properties(same_bits_windows PROPERTIES LABELS e2e-windows FIXTURES_REQUIRED same_bits_record
                       TIMEOUT 900 RUN_SERIAL TRUE SKIP_RETURN_CODE 77)
else()
  add_test(NAME same_bits_as_default COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/same_bits.sh ${GAME_DIR}
                                             ${CMAKE_BINARY_DIR}/same-bits ${GAMEVRAK_SAME_BITS_RECORD}
                                             $<TARGET_FILE:gamevrak-replay>)
  set_tests_properties(same_bits_as_default PROPERTIES TIMEOUT 900)
endif()
