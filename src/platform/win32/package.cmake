# Puts the game data beside the Windows executable and packs the zip:
# gamevrak/ with gamevrak.exe, bmp_*, sound and an empty map folder.
file(GLOB art_dirs LIST_DIRECTORIES true ${DATA}/bmp_*)
if(NOT art_dirs OR NOT IS_DIRECTORY ${DATA}/sound)
  message(FATAL_ERROR "No bmp_* or sound folders in ${DATA}: build the native game first (make build)")
endif()

file(REMOVE_RECURSE ${STAGE})
set(top ${STAGE}/gamevrak)
file(MAKE_DIRECTORY ${top}/map ${GAME}/map)
file(COPY ${EXE} DESTINATION ${top})
foreach(dir ${art_dirs} ${DATA}/sound)
  file(COPY ${dir} DESTINATION ${top})
  file(COPY ${dir} DESTINATION ${GAME})
endforeach()

file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip gamevrak
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "Could not write ${ZIP}")
endif()
