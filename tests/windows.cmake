# The Windows game cross-compiled with MinGW-w64 and run under Wine with Xvfb
# (label e2e-windows, so `make test-e2e` runs it). Its cross builds live in
# windows-e2e/ of this build and are incremental.
if(TARGET gamevrak-replay)
  add_test(NAME windows_wine_e2e
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows_e2e.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/windows-e2e
            ${GAME_DIR} $<TARGET_FILE:gamevrak-replay>)
  set_tests_properties(windows_wine_e2e PROPERTIES LABELS e2e-windows TIMEOUT 900 RUN_SERIAL TRUE)
endif()
