# Run by CPack on the package's staging tree before it is packed: Debian keeps
# games in /usr/games (the show's data lookup, ../share/mardunqist from the
# program, holds there too), and drops the sections dh_strip would drop.
set(usr "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
file(MAKE_DIRECTORY "${usr}/games")
file(RENAME "${usr}/bin/mardunqist" "${usr}/games/mardunqist")
foreach(program games/mardunqist bin/mardunqist-capture bin/mardunqist-flashcheck bin/mardunqist-assets)
  execute_process(COMMAND "${CPACK_MARDUNQIST_STRIP}" --remove-section=.comment --remove-section=.note
    "${usr}/${program}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
