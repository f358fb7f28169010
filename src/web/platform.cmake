# The browser build's settings (emcmake): Debian's emscripten finds its
# JavaScript modules only through NODE_PATH.
set(emscripten_env ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CXX_COMPILER_LAUNCHER ${emscripten_env})
set(CMAKE_CXX_LINKER_LAUNCHER ${emscripten_env})
