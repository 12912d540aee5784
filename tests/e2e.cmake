# End-to-end test of the real windowed game under Xvfb (label e2e; `make test-e2e`).
if(TARGET gamevrak)
  add_test(NAME e2e_game
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e_game.sh $<TARGET_FILE:gamevrak> $<TARGET_FILE:gamevrak-replay>)
  set_tests_properties(e2e_game PROPERTIES LABELS e2e TIMEOUT 300 ENVIRONMENT "SDL_AUDIODRIVER=dummy")
endif()
