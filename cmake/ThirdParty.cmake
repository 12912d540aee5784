# Header-only libraries from Debian's packages, for every toolchain (MinGW and
# Emscripten too). Each is reached through a folder of the build that holds only
# it, so that a cross build sees none of the build host's other headers, and as
# SYSTEM: their warnings are not ours to fix.
set(third_party ${CMAKE_BINARY_DIR}/third_party)
find_file(GAMEVRAK_STB_IMAGE_WRITE stb_image_write.h PATHS /usr/include/stb
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_path(GAMEVRAK_CLI11 CLI/CLI.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(MAKE_DIRECTORY ${third_party}/stb ${third_party}/cli11)
file(CREATE_LINK ${GAMEVRAK_STB_IMAGE_WRITE} ${third_party}/stb/stb_image_write.h SYMBOLIC)
file(CREATE_LINK ${GAMEVRAK_CLI11}/CLI ${third_party}/cli11/CLI SYMBOLIC)

add_library(stb_image_write INTERFACE)
target_include_directories(stb_image_write SYSTEM INTERFACE ${third_party}/stb)
add_library(cli11 INTERFACE)
target_include_directories(cli11 SYSTEM INTERFACE ${third_party}/cli11)
