# The browser build (Emscripten): the game on the web backend and the replay
# runner on the headless one, each a .js and a .wasm beside a hand-written
# index.html, with the art and sound of a native build packed in a .data file.
set(GAMEVRAK_GAME_DATA "" CACHE PATH "Game folder of a native build, source of bmp_* and sound")
file(GLOB web_art_dirs LIST_DIRECTORIES true ${GAMEVRAK_GAME_DATA}/bmp_*)
if(NOT web_art_dirs OR NOT IS_DIRECTORY ${GAMEVRAK_GAME_DATA}/sound)
  message(FATAL_ERROR "No bmp_* or sound folders in '${GAMEVRAK_GAME_DATA}': build the native game first (make build)")
endif()
set(web_data_options "")
set(web_data_files "")
foreach(dir ${web_art_dirs} ${GAMEVRAK_GAME_DATA}/sound)
  get_filename_component(name ${dir} NAME)
  list(APPEND web_data_options "SHELL:--preload-file ${dir}@/${name}")
  file(GLOB files ${dir}/*)
  list(APPEND web_data_files ${files})
endforeach()

# The site is the build folder itself: page, scripts, modules and data side by side.
set(WEB_DIR ${CMAKE_BINARY_DIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/index.html ${WEB_DIR}/index.html COPYONLY)

set(web_common_link
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB -sEXIT_RUNTIME=1 -sENVIRONMENT=web
  -sFORCE_FILESYSTEM=1 "-sEXPORTED_RUNTIME_METHODS=['FS','addRunDependency','removeRunDependency']"
  "SHELL:--pre-js ${CMAKE_CURRENT_LIST_DIR}/web_slots.js" ${web_data_options})

add_library(platform_web STATIC
  ${CMAKE_CURRENT_LIST_DIR}/web_platform.cpp ${CMAKE_CURRENT_LIST_DIR}/web_sound.cpp
  ${CMAKE_CURRENT_LIST_DIR}/web_keymap.cpp ${CMAKE_CURRENT_LIST_DIR}/web_files.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/common/frame_pacer.cpp ${CMAKE_SOURCE_DIR}/src/platform/common/posix_files.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/common/chime.cpp ${CMAKE_SOURCE_DIR}/src/platform/common/gamepad.cpp)
target_include_directories(platform_web PUBLIC ${CMAKE_SOURCE_DIR}/src)

add_executable(gamevrak ${CMAKE_CURRENT_LIST_DIR}/web_main.cpp ${CMAKE_CURRENT_LIST_DIR}/web_memory.cpp)
target_link_libraries(gamevrak PRIVATE gamecore platform_web gamecore)
target_link_options(gamevrak PRIVATE ${web_common_link}
  -sASYNCIFY=1 -sASYNCIFY_STACK_SIZE=65536 "SHELL:--pre-js ${CMAKE_CURRENT_LIST_DIR}/web_pre.js")

add_library(platform_headless STATIC
  ${CMAKE_SOURCE_DIR}/src/platform/headless/headless.cpp ${CMAKE_SOURCE_DIR}/src/platform/common/posix_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/web_files.cpp ${CMAKE_CURRENT_LIST_DIR}/web_replay_slots.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/headless/png_file.cpp)
target_include_directories(platform_headless PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(platform_headless PRIVATE stb_image_write)

add_executable(gamevrak-replay ${CMAKE_SOURCE_DIR}/tools/replay/replay_main.cpp ${CMAKE_CURRENT_LIST_DIR}/web_memory.cpp)
target_link_libraries(gamevrak-replay PRIVATE gamecore platform_headless gamecore cli11)
target_link_options(gamevrak-replay PRIVATE ${web_common_link})

# CLI11 reports through exceptions, which Emscripten leaves out unless asked;
# only the command lines' code pays for them.
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/app/options.cpp ${CMAKE_SOURCE_DIR}/tools/replay/replay_main.cpp
  PROPERTIES COMPILE_OPTIONS -fexceptions)
target_link_options(gamevrak PRIVATE -fexceptions)
target_link_options(gamevrak-replay PRIVATE -fexceptions)

foreach(target gamecore platform_web platform_headless gamevrak gamevrak-replay)
  target_compile_options(${target} PRIVATE "SHELL:-include ${CMAKE_CURRENT_LIST_DIR}/libcxx_compat.h")
endforeach()
set_target_properties(gamevrak gamevrak-replay PROPERTIES
  SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${WEB_DIR}
  LINK_DEPENDS "${web_data_files};${CMAKE_CURRENT_LIST_DIR}/web_pre.js;${CMAKE_CURRENT_LIST_DIR}/web_slots.js")

enable_testing()
include(${CMAKE_SOURCE_DIR}/tests/e2e_web.cmake)
