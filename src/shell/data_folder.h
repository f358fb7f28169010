// Where the show and the capture tool read their six files from. The path ""
// stands for the working directory, so file names stay as the user knows them.
#ifndef MARDUNQIST_SHELL_DATA_FOLDER_H
#define MARDUNQIST_SHELL_DATA_FOLDER_H

#include <string>

// The working directory when it holds anything by the module's name (a
// user's own show), else `installed` when that holds the module, else the
// working directory again, so that the missing module is reported under its
// usual name.
std::string findDataFolder(const std::string& installed);

// `name` inside `folder` ("" for the working directory).
std::string dataFile(const std::string& folder, const std::string& name);

#endif
