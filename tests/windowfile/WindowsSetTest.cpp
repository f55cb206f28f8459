#include "datawindow/WindowsSet.h"

#include <gtest/gtest.h>

#include "common/Errors.h"
#include "windowfile/TestFiles.h"

namespace mms {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteAll;

std::string NumOfFilesError(const std::string& path) {
  try {
    WindowsSetReader(path).NumOfFiles();
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

TEST(WindowsSetSave, NewFileListsEntriesThenTheirNumber) {
  TempDir dir;
  EXPECT_EQ(SaveWindowsSet(dir.File("s.kvs"), {"/data/a.kvw", "/data/b b.kvw"}), 2);
  EXPECT_EQ(ReadAll(dir.File("s.kvs")),
            "[Scene]\nFile0=/data/a.kvw\nFile1=/data/b b.kvw\nNumOfFiles=2\n");
}

// An empty name stands for a closed slot or a window that was never saved.
TEST(WindowsSetSave, ClosedAndNeverSavedWindowsAreLeftOut) {
  TempDir dir;
  EXPECT_EQ(SaveWindowsSet(dir.File("s.kvs"), {"", "/w/second.kvw", "", "/w/third.kvw", ""}), 2);
  EXPECT_EQ(ReadAll(dir.File("s.kvs")),
            "[Scene]\nFile0=/w/second.kvw\nFile1=/w/third.kvw\nNumOfFiles=2\n");

  EXPECT_EQ(SaveWindowsSet(dir.File("none.kvs"), {"", ""}), 0);
  EXPECT_EQ(ReadAll(dir.File("none.kvs")), "[Scene]\nNumOfFiles=0\n");
  EXPECT_EQ(WindowsSetReader(dir.File("none.kvs")).NumOfFiles(), 0);
}

TEST(WindowsSetSave, ShorterSetOverLongerKeepsOldEntriesBeyondItsCount) {
  TempDir dir;
  const std::string path = dir.File("s.kvs");
  WriteAll(path, "[Other]\nKeep=1\n");
  SaveWindowsSet(path, {"/1", "/2", "/3", "/4", "/5"});
  SaveWindowsSet(path, {"/new1", "/new2"});
  EXPECT_EQ(ReadAll(path),
            "[Other]\nKeep=1\n[Scene]\nFile0=/new1\nFile1=/new2\nFile2=/3\nFile3=/4\nFile4=/5\n"
            "NumOfFiles=2\n");
  const WindowsSetReader set(path);
  EXPECT_EQ(set.NumOfFiles(), 2);
  EXPECT_EQ(set.File(0), "/new1");
  EXPECT_EQ(set.File(1), "/new2");
}

TEST(WindowsSetSave, UnwritablePlaceRaisesAndLeavesTheOldFile) {
  TempDir dir;
  const std::string missingFolder = dir.File("gone/s.kvs");
  try {
    SaveWindowsSet(missingFolder, {"/a"});
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + missingFolder);
  }

  const std::string old = "[Scene]\nFile0=/old.kvw\nNumOfFiles=1\n";
  std::string path, after;
  const std::string message = test::SaveIntoReadOnlyFolder(
      old,
      [](const std::string& p) {
        SaveWindowsSet(p, {"/x", "/y"});
      },
      &path, &after);
  EXPECT_EQ(message, "Unable to write to " + path);
  EXPECT_EQ(after, old);
}

TEST(WindowsSetRead, NumberOfFiles) {
  struct Case {
    const char* text;  // nullptr: no file at all
    int32_t number;
  };
  const Case cases[] = {
      {"", 0},
      {"[Other]\nNumOfFiles=3\n", 0},
      {"[scene]\nnumoffiles=3\n", 3},
      {"[Scene]\nNumOfFiles=-4\n", -4},
      {"[Scene]\nNumOfFiles=$10\n", 16},
      {"[Scene]\nNumOfFiles=2147483647\n", 2147483647},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteAll(dir.File("s.kvs"), c.text);
    EXPECT_EQ(WindowsSetReader(dir.File("s.kvs")).NumOfFiles(), c.number) << c.text;
  }
  // No file at all is an error, as for a window file.
  TempDir dir;
  EXPECT_EQ(NumOfFilesError(dir.File("s.kvs")),
            "Unable to read " + dir.File("s.kvs") + ": No such file or directory");
}

TEST(WindowsSetRead, NumberOfFilesThatIsNoIntegerIsAnError) {
  TempDir dir;
  const std::string path = dir.File("s.kvs");
  for (const char* value : {"two", "", "2147483648", "1.5", "0x"}) {
    WriteAll(path, std::string("[Scene]\nFile0=/a\nNumOfFiles=") + value + "\n");
    EXPECT_EQ(NumOfFilesError(path), "'" + std::string(value) + "' is not a valid integer value");
  }
}

// Entries are looked up one by one: a huge count must not cost anything up
// front, and an entry that is not there is an error naming the set.
TEST(WindowsSetRead, HugeCountReadsEntriesLazily) {
  TempDir dir;
  const std::string path = dir.File("s.kvs");
  WriteAll(path, "[Scene]\nNumOfFiles=2147483647\nFile0=/only.kvw\nFile1=\n");
  const WindowsSetReader set(path);
  ASSERT_EQ(set.NumOfFiles(), 2147483647);
  EXPECT_EQ(set.File(0), "/only.kvw");
  for (const int32_t i : {1, 2147483646, -1}) {
    try {
      set.File(i);
      ADD_FAILURE() << "no error for " << i;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()),
                "Unable to read " + path + ": File" + std::to_string(i) + " is missing");
    }
  }
}

}  // namespace
}  // namespace mms
