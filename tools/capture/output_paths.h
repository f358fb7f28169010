// The rules for the names a capture writes: whether OUTPUT is a folder or a
// video, which existing files may be replaced, and the folders they go in.
// Each check fails with one line naming the file and the reason.
#ifndef MARDUNQIST_CAPTURE_OUTPUT_PATHS_H
#define MARDUNQIST_CAPTURE_OUTPUT_PATHS_H

#include <string>

// True when OUTPUT names a folder (existing, or ending in '/').
bool outputIsFolder(const std::string& output);

// ".mp4" for "Show.MP4": the extension, lower case, with its dot.
std::string lowerExtension(const std::string& path);

// The folder a new file would go in must be there.
bool checkFolderOf(const std::string& path, std::string* error);

// Refuses a file the capture would write (OUTPUT, --timeline) that exists
// without --force, or whose name or folder is unusable.
bool checkOutputFile(const std::string& path, bool force, std::string* error);

// What a folder capture holds: frame-NNNNNN.png and audio.wav.
bool isCaptureFileName(const std::string& name);

// The folder a folder capture takes the place of, into *folder (a link to a
// folder resolved): a new one, an empty one, or an earlier capture (with
// --force only); a folder holding anything else is the user's and refused.
bool checkCaptureFolder(const std::string& output, bool force, std::string* folder, std::string* error);

#endif
