# The SDL key translation (and the browser's, against it) is tested on its own,
# without a display: the tests link just those files and SDL, not the SDL
# backend (which would clash with the headless one).
if(TARGET platform_sdl)
  add_library(platform_sdl_keymap STATIC ${CMAKE_SOURCE_DIR}/src/platform/sdl/sdl_keymap.cpp
    ${CMAKE_SOURCE_DIR}/src/platform/web/web_keymap.cpp)
  target_include_directories(platform_sdl_keymap PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(platform_sdl_keymap PUBLIC SDL2::SDL2)
  target_link_libraries(gamevrak-tests PRIVATE platform_sdl_keymap)
  target_compile_definitions(gamevrak-tests PRIVATE GAMEVRAK_SDL_KEYMAP=1)
endif()
