# The Windows build's settings, for everything it compiles (make windows,
# cross-built with MinGW-w64). Everything is linked statically, so the
# programs need only the DLLs every Windows has.
#
# The libraries, built from Debian's sources into a cache of their own
# (scripts/windows-deps, the first entry of CMAKE_PREFIX_PATH), go by the
# names the rest of the build links; their pkg-config files say how each
# links statically.
list(GET CMAKE_PREFIX_PATH 0 deps_prefix)
set(ENV{PKG_CONFIG_LIBDIR} ${deps_prefix}/lib/pkgconfig)
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
find_package(PkgConfig REQUIRED)
pkg_check_modules(OPENMPT REQUIRED libopenmpt)
find_package(JPEG REQUIRED)
find_library(SDL2_STATIC_LIBRARY libSDL2.a PATHS ${deps_prefix}/lib NO_DEFAULT_PATH REQUIRED)
find_library(PNG_STATIC_LIBRARY libpng16.a PATHS ${deps_prefix}/lib NO_DEFAULT_PATH REQUIRED)
find_library(ZLIB_STATIC_LIBRARY libz.a PATHS ${deps_prefix}/lib NO_DEFAULT_PATH REQUIRED)

# SDL2's own list of the system libraries it calls into (its sdl2.pc would
# also make every program a GUI one: -mwindows).
add_library(lib_sdl2 INTERFACE)
target_include_directories(lib_sdl2 INTERFACE ${deps_prefix}/include)
target_link_libraries(lib_sdl2 INTERFACE ${SDL2_STATIC_LIBRARY}
  winmm imm32 ole32 oleaut32 version uuid advapi32 setupapi shell32 dinput8 gdi32 user32 kernel32)
add_library(lib_openmpt INTERFACE)
target_include_directories(lib_openmpt INTERFACE ${OPENMPT_STATIC_INCLUDE_DIRS})
target_link_libraries(lib_openmpt INTERFACE ${OPENMPT_STATIC_LDFLAGS})
add_library(lib_jpeg INTERFACE)
target_link_libraries(lib_jpeg INTERFACE JPEG::JPEG)
add_library(lib_png INTERFACE)
target_include_directories(lib_png INTERFACE ${deps_prefix}/include)
target_link_libraries(lib_png INTERFACE ${PNG_STATIC_LIBRARY} ${ZLIB_STATIC_LIBRARY})

add_compile_definitions(
  # 64-bit file sizes and offsets (stat, lseek), as on Linux.
  _FILE_OFFSET_BITS=64
  # main() is the program's own entry point; SDL needs no SDL_main wrapper.
  SDL_MAIN_HANDLED
  # The C runtime's printf with C99 formats (%zu, %lld) rather than msvcrt's.
  __USE_MINGW_ANSI_STDIO=1
  # Windows' own macros (IDC_ARROW, MAKEINTRESOURCE) in their wide form: the
  # programs call the wide functions, so names outside the ANSI code page work.
  UNICODE _UNICODE)

# The resource compiler, for the programs' icon, manifest and version
# information (packaging/windows).
enable_language(RC)

# Static, and stripped of the symbol tables, which nothing at run time reads.
add_link_options(-static -s)

