# The same fight replayed twice plays out the same: identical closing
# fingerprints and an identical picture of the blows on frame 482.
# Included by tests/CMakeLists.txt to register the test; run with -P to check.
if(CMAKE_SCRIPT_MODE_FILE)
  foreach(run a b)
    execute_process(COMMAND ${REPLAY} --dir ${GAME} --frames 490 --script ${SCRIPT}
                            --shot 482:${OUT}/play_replay_${run}.png
      OUTPUT_VARIABLE out_${run} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "replay exited with ${rc}: ${out_${run}}")
    endif()
  endforeach()
  if(NOT out_a STREQUAL out_b)
    message(FATAL_ERROR "the two runs differ:\n${out_a}\n${out_b}")
  endif()
  file(SHA256 ${OUT}/play_replay_a.png shot_a)
  file(SHA256 ${OUT}/play_replay_b.png shot_b)
  if(NOT shot_a STREQUAL shot_b)
    message(FATAL_ERROR "the pictures of frame 482 differ")
  endif()
  file(REMOVE ${OUT}/play_replay_a.png ${OUT}/play_replay_b.png)
else()
  add_test(NAME play_replay_repeats
    COMMAND ${CMAKE_COMMAND} -DREPLAY=$<TARGET_FILE:gamevrak-replay> -DGAME=${GAME_DIR}
            -DSCRIPT=${CMAKE_CURRENT_LIST_DIR}/scenarios/fight.txt -DOUT=${CMAKE_CURRENT_BINARY_DIR}
            -P ${CMAKE_CURRENT_LIST_FILE})
endif()
