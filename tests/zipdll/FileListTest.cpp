// The list of files an add holds: records and names across many blocks, each file's paths and
// stored name made from its folder and name, and the first file of each stored name found by it.
#include "zipdll/FileList.h"
#include "zipdll/NameTable.h"

#include <gtest/gtest.h>

TEST(FileList, FilesAcrossBlocksAreFoundByTheirStoredNames) {
    FileList files;
    const std::uint32_t folder = files.AddFolder({"/host/dir", "C:\\dir\\", "dir/"});
    NameTable stored([&](std::uint32_t i, std::string& name) { files.StoredName(files[i], name); });
    int left = 0;
    for (std::uint64_t i = 0; i < 100000; ++i) {
        ListedFile file;
        file.folder = folder;
        file.size = i;
        const std::uint32_t number = files.Add(file, "f" + std::to_string(i % 60000));
        if (!stored.Insert(number))
            ++left; // the same name again
    }
    EXPECT_EQ(left, 40000);
    EXPECT_EQ(files[99999].size, 99999u);
    EXPECT_EQ(files.StoredName(files[70000]), "dir/f10000");
    EXPECT_EQ(files.HostPath(files[5]), "/host/dir/f5");
    EXPECT_EQ(files.WindowsPath(files[5]), "C:\\dir\\f5");
    EXPECT_EQ(stored.Find("dir/f59999"), 59999u);
    EXPECT_EQ(stored.Find("dir/f60000"), std::nullopt);

    FileList dos(true);
    ListedFile folderEntry;
    folderEntry.folder = dos.AddFolder({"/host", "C:\\", "DIR/"});
    folderEntry.isFolder = true;
    EXPECT_EQ(dos.StoredName(dos[dos.Add(folderEntry, "Long name.text")]), "DIR/LONG_NAM.TEX/");
}
