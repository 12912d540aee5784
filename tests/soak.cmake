# Long play through the replay runner. Included by tests/CMakeLists.txt to add
# the tests, and run with -P by the leak test below.
#
# Optimised builds: 20,000 frames of generated random play (gamevrak-soak), which
# must finish and end with the resident memory within 5% of its figure after
# the warm-up. `make soak` runs the 100,000-frame version.
# Sanitizer builds: generated play with saves, loads and the console through
# the replay runner up to a closed window; LeakSanitizer must find nothing.

if(CMAKE_SCRIPT_MODE_FILE)
  # -P mode: SOAK, REPLAY, FRAMES and WORK are given on the command line.
  file(REMOVE_RECURSE ${WORK})
  execute_process(COMMAND ${SOAK} --frames ${FRAMES} --seed 11 --work ${WORK} --script-only --close-at-end
    RESULT_VARIABLE soak_result)
  if(NOT soak_result EQUAL 0)
    message(FATAL_ERROR "gamevrak-soak could not prepare the play (${soak_result})")
  endif()
  execute_process(COMMAND ${REPLAY} --dir ${WORK} --frames ${FRAMES} --script ${WORK}/soak-script.txt
    RESULT_VARIABLE replay_result OUTPUT_VARIABLE replay_out ERROR_VARIABLE replay_err)
  message("${replay_out}")
  if(NOT replay_result EQUAL 0 OR replay_err MATCHES "LeakSanitizer|AddressSanitizer|runtime error")
    message(FATAL_ERROR "the replay runner ended with ${replay_result}:\n${replay_err}")
  endif()
  # The window closes while the last frame pumps its messages; no crash before it.
  if(NOT replay_out MATCHES "frames ${FRAMES}\n")
    message(FATAL_ERROR "the replay did not reach its last frame")
  endif()
  file(REMOVE_RECURSE ${WORK})
  return()
endif()

if(NOT TARGET gamevrak-soak OR NOT TARGET gamevrak-replay)
  return()
endif()

if(GAMEVRAK_SANITIZE)
  add_test(NAME soak_replay_ends_without_leaks
    COMMAND ${CMAKE_COMMAND} -DSOAK=$<TARGET_FILE:gamevrak-soak> -DREPLAY=$<TARGET_FILE:gamevrak-replay>
      -DFRAMES=3000 -DWORK=${CMAKE_BINARY_DIR}/soak-leak-check -P ${CMAKE_CURRENT_LIST_FILE})
  set_tests_properties(soak_replay_ends_without_leaks PROPERTIES LABELS soak TIMEOUT 1800
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1;LSAN_OPTIONS=exitcode=23;SDL_AUDIODRIVER=dummy")
else()
  add_test(NAME soak_20000_frames_memory_flat COMMAND gamevrak-soak --frames 20000 --seed 7)
  set_tests_properties(soak_20000_frames_memory_flat PROPERTIES LABELS soak TIMEOUT 1800)
endif()
