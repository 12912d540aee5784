# The browser build in headless Chromium and its calloc under node (label e2e-web,
# `make test-web`), registered by the web build with the native runner and data.
if(EMSCRIPTEN)
  find_program(NODE node REQUIRED)
  add_test(NAME e2e_web COMMAND ${NODE} ${CMAKE_CURRENT_LIST_DIR}/e2e_web.mjs
    ${CMAKE_BINARY_DIR} ${GAMEVRAK_GAME_DATA}/gamevrak-replay ${GAMEVRAK_GAME_DATA})
  set_tests_properties(e2e_web PROPERTIES LABELS e2e-web TIMEOUT 600)

  add_executable(web_calloc_test ${CMAKE_CURRENT_LIST_DIR}/web/calloc_test.cpp ${CMAKE_SOURCE_DIR}/src/platform/web/web_memory.cpp)
  target_link_options(web_calloc_test PRIVATE -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=node)
  set_target_properties(web_calloc_test PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME web_calloc COMMAND ${NODE} --no-experimental-fetch $<TARGET_FILE:web_calloc_test>)
  set_tests_properties(web_calloc PROPERTIES LABELS e2e-web)
endif()
