#include "base/AtomicFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lumivex;

TEST(AtomicFile, readingRefusesFoldersAndOversizedFilesInsteadOfReturningNothingAsText)
{
    test::TempDir dir;
    test::writeFile(dir.file("a.txt"), "12345");
    EXPECT_EQ(readWholeFile(dir.file("a.txt"), 5), "12345");
    EXPECT_FALSE(readWholeFile(dir.file("a.txt"), 4).has_value()) << "larger than allowed";
    EXPECT_FALSE(readWholeFile(dir.file("missing.txt"), 100).has_value());
    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_FALSE(readWholeFile(dir.file("folder"), 100).has_value()) << "a folder is no empty file";
}

TEST(AtomicFile, aWriteThatCannotFinishLeavesTheOldFileAndNoTemporaryOne)
{
    test::TempDir dir;
    test::writeFile(dir.file("keep.ini"), "old");
    ASSERT_TRUE(writeFileAtomically(dir.file("keep.ini"), "new"));
    EXPECT_EQ(test::readFile(dir.file("keep.ini")), "new");

    std::filesystem::create_directory(dir.file("target"));
    EXPECT_FALSE(writeFileAtomically(dir.file("target"), "x")) << "cannot replace a folder";
    EXPECT_FALSE(writeFileAtomically(dir.file("no/such/folder/f.ini"), "x"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "no temporary file left";
}
