# The replay runner's closing fingerprints of an untouched start world.
# Included by tests/CMakeLists.txt to register the test; run with -P to check.
if(CMAKE_SCRIPT_MODE_FILE)
  execute_process(COMMAND ${REPLAY} --dir ${GAME} --frames 0
    OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "replay exited with ${rc}: ${out}")
  endif()
  foreach(line
      "mainmap 20def6b1a04555915266593f881270f9de8d79af4d58541343ab8fd91bebe757"
      "flagmap 7642cf8c5ef24a0113890b9f586393514c269d22989f249b3ed74f31c2b99fb4")
    string(FIND "${out}" "${line}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "expected '${line}' in:\n${out}")
    endif()
  endforeach()
else()
  add_test(NAME world_replay_fingerprints
    COMMAND ${CMAKE_COMMAND} -DREPLAY=$<TARGET_FILE:gamevrak-replay> -DGAME=${GAME_DIR}
            -P ${CMAKE_CURRENT_LIST_FILE})
endif()
