#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "TestSupport.h"
#include "core/engine/Errors.h"
#include "core/files/AtomicFile.h"

using namespace vornix;
using vornix::test::ReadFile;
using vornix::test::TempDir;

TEST(AtomicFile, ReplacesAFileAndKeepsItsMode) {
    TempDir dir;
    const std::string path = dir.write("list.dat", "old contents that are longer");
    ::chmod(path.c_str(), 0640);
    WriteFileAtomically(path, "new");
    EXPECT_EQ(ReadFile(path), "new");
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // No temporary file is left beside it.
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(AtomicFile, FailureLeavesTheOldFileAndNoLitter) {
    TempDir dir;
    const std::string path = dir.write("keep.txt", "precious");
    // The target is a folder: the rename fails after the bytes were written.
    const std::string folderTarget = dir.file("sub");
    std::filesystem::create_directory(folderTarget);
    dir.write("sub/inner", "x");
    EXPECT_THROW(WriteFileAtomically(folderTarget, "data"), FileError);
    // A folder that does not exist: the temporary file cannot even be made.
    try {
        WriteFileAtomically(dir.file("nowhere/out.txt"), "data");
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file " + dir.file("nowhere/out.txt"), 0), 0u);
    }
    EXPECT_EQ(ReadFile(path), "precious");
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++entries;
    EXPECT_EQ(entries, 2);
}

TEST(AtomicFile, ReadWholeFileReportsWhatCannotBeOpened) {
    TempDir dir;
    EXPECT_EQ(ReadWholeFile(dir.write("a", std::string("x\0y", 3))), std::string("x\0y", 3));
    try {
        ReadWholeFile(dir.file("absent"));
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.file("absent") + " (No such file or directory)");
        EXPECT_EQ(e.Code(), ENOENT);
    }
}
