# A session recorded in the real game under Xvfb replays to the same end (label e2e).
if(TARGET gamevrak)
  add_test(NAME e2e_record COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e_record.sh $<TARGET_FILE:gamevrak> $<TARGET_FILE:gamevrak-replay>)
  set_tests_properties(e2e_record PROPERTIES LABELS e2e TIMEOUT 300 ENVIRONMENT "SDL_AUDIODRIVER=dummy")
endif()
