# The native Windows game: the same game core on the Win32 + WGL backend,
# linked so that the executable imports only system DLLs.
file(GLOB WIN32_BACKEND_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_LIST_DIR}/win32_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_system.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_files.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/common/frame_pacer.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/common/gamepad.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/gl/*.cpp)
add_library(platform_win32 STATIC ${WIN32_BACKEND_SOURCES})
target_include_directories(platform_win32 PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(platform_win32 PUBLIC opengl32 glu32 gdi32 user32 winmm kernel32)

add_executable(gamevrak WIN32 ${CMAKE_CURRENT_LIST_DIR}/win32_main.cpp)
target_link_libraries(gamevrak PRIVATE gamecore platform_win32 gamecore)
target_link_options(gamevrak PRIVATE -static)

# Checks of the backend against the real system (run under Wine on Linux).
option(GAMEVRAK_WIN32_TESTS "Build the Win32 backend checks" ON)
if(GAMEVRAK_WIN32_TESTS)
  add_executable(gamevrak-win32-tests ${CMAKE_SOURCE_DIR}/tests/windows/win32_backend_test.cpp)
  target_link_libraries(gamevrak-win32-tests PRIVATE platform_win32)
  target_link_options(gamevrak-win32-tests PRIVATE -static)
  set_target_properties(gamevrak-win32-tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
endif()

# The zip for players: the game with the art and sound of a native build (the
# art baker runs on the build host) and an empty map folder for the saves.
set(GAMEVRAK_GAME_DATA "" CACHE PATH "Game folder of a native build, source of bmp_* and sound")
if(GAMEVRAK_GAME_DATA)
  add_custom_target(windows-package
    COMMAND ${CMAKE_COMMAND} -DDATA=${GAMEVRAK_GAME_DATA} -DGAME=${GAME_DIR} -DEXE=$<TARGET_FILE:gamevrak>
            -DSTAGE=${CMAKE_BINARY_DIR}/package -DZIP=${CMAKE_BINARY_DIR}/gamevrak-windows.zip
            -P ${CMAKE_CURRENT_LIST_DIR}/package.cmake
    DEPENDS gamevrak
    COMMENT "Packing gamevrak-windows.zip"
    VERBATIM)
endif()
