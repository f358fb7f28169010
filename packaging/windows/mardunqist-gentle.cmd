@rem The show in its gentle mode: three flashes a second at most.
@"%~dp0mardunqist.exe" --gentle %*
