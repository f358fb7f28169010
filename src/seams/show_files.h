// The six files a show is made of, by the names the show reads them under.
//
// This is the one list. C++ includes it; the build reads the quoted names
// from it (CMakeLists.txt) for its own lists and writes them into the page's
// show-files.js, so every language spells them alike.
#ifndef MARDUNQIST_SEAMS_SHOW_FILES_H
#define MARDUNQIST_SEAMS_SHOW_FILES_H

// The music, played once.
inline constexpr const char* moduleFileName = "Vostr_1.it";

// The pictures, in the order they become textures 1 to 5.
inline constexpr const char* pictureFileNames[5] = {"0.jpg", "1.jpg", "2.jpg", "c.jpg", "k.jpg"};

#endif
