# The Linux build's settings, for everything it compiles: the libraries as
# Debian ships them, under the names the rest of the build links (Windows
# gives the same names to its own builds of them), and the hardening Debian
# builds with.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(OPENMPT REQUIRED IMPORTED_TARGET libopenmpt)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
find_package(JPEG REQUIRED)
find_package(PNG REQUIRED)
set(OpenGL_GL_PREFERENCE GLVND)
find_package(OpenGL REQUIRED COMPONENTS OpenGL EGL)

add_library(lib_sdl2 INTERFACE)
target_link_libraries(lib_sdl2 INTERFACE PkgConfig::SDL2)
add_library(lib_openmpt INTERFACE)
target_link_libraries(lib_openmpt INTERFACE PkgConfig::OPENMPT)
add_library(lib_jpeg INTERFACE)
target_link_libraries(lib_jpeg INTERFACE JPEG::JPEG)
add_library(lib_png INTERFACE)
target_link_libraries(lib_png INTERFACE PNG::PNG)


# libc's checked memory and string calls, and a relocation table made
# read-only once the program is loaded.
if(NOT MARDUNQIST_SANITIZE AND NOT MARDUNQIST_FUZZ)
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
endif()
add_link_options(LINKER:-z,relro LINKER:-z,now)

include(GNUInstallDirs)
