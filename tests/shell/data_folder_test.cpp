// Where the show reads its files: a user's folder first, then the installed
// data, and a --data folder that does not exist is refused with its reason.
#include "platform/files.h"
#include "shell/data_folder.h"
#include "support/tiny_module.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void touch(const fs::path& path)
{
    std::ofstream(path) << "x";
}

// Runs the test body in `dir`, then goes back.
class InFolder {
public:
    explicit InFolder(const fs::path& dir) : previous(fs::current_path()) { fs::current_path(dir); }
    ~InFolder() { fs::current_path(previous); }

private:
    fs::path previous;
};

} // namespace

TEST(DataFolder, WorkingDirectoryWithAModuleWinsElseTheInstalledData)
{
    const TempDir temp("data-folder");
    const fs::path root = temp.path;
    const fs::path work = root / "work", installed = root / "share";
    fs::create_directories(work);
    fs::create_directories(installed);
    InFolder in(work);

    // Neither holds the module: the working directory, so the show names the
    // missing file as "Vostr_1.it".
    EXPECT_EQ(findDataFolder(installed.string()), "");
    touch(installed / "Vostr_1.it");
    EXPECT_EQ(findDataFolder(installed.string()), installed.string());
    // Pictures alone do not make a show folder.
    touch(work / "0.jpg");
    EXPECT_EQ(findDataFolder(installed.string()), installed.string());
    // Anything by the module's name is the user's, even what is no module:
    // the loader then says what it is.
    fs::create_symlink("/dev/zero", work / "Vostr_1.it");
    EXPECT_EQ(findDataFolder(installed.string()), "");
    fs::remove(work / "Vostr_1.it");
    touch(work / "Vostr_1.it");
    EXPECT_EQ(findDataFolder(installed.string()), "");
    EXPECT_EQ(dataFile("", "Vostr_1.it"), "Vostr_1.it");
    EXPECT_EQ(dataFile(installed.string(), "k.jpg"), installed.string() + "/k.jpg");
}

TEST(DataFolder, DataOptionNeedsAReadableFolder)
{
    const TempDir temp("data-option");
    const fs::path root = temp.path;
    std::string error;
    EXPECT_TRUE(checkReadableFolder(root.string(), &error)) << error;
    EXPECT_FALSE(checkReadableFolder((root / "none").string(), &error));
    EXPECT_EQ(error, (root / "none").string() + ": No such file or directory");
    touch(root / "file");
    EXPECT_FALSE(checkReadableFolder((root / "file").string(), &error));
    EXPECT_EQ(error, (root / "file").string() + ": Not a directory");
}
