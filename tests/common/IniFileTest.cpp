#include "common/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "TempDir.h"
#include "common/Errors.h"

namespace mms {
namespace {

using test::ReadWhole;
using test::TempDir;
using test::WriteWhole;

std::string CommitError(const IniFile& file) {
  try {
    file.Commit();
  } catch (const Error& e) {
    return e.what();
  }
  return "no error";
}

bool OnlyFilesNamed(const std::filesystem::path& dir, std::initializer_list<std::string> names) {
  size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    ++count;
    if (std::find(names.begin(), names.end(), entry.path().filename().string()) == names.end()) {
      return false;
    }
  }
  return count == names.size();
}

TEST(IniFileRead, MissingFileSectionOrKeyGivesTheDefault) {
  TempDir dir;
  WriteWhole(dir.File("a.ini"), "[General]\nTimeout=500\n");
  const IniFile missing(dir.File("none.ini"));
  const IniFile present(dir.File("a.ini"));
  EXPECT_EQ(missing.ReadString("General", "Timeout", "1000"), "1000");
  EXPECT_EQ(present.ReadString("Other", "Timeout", "d"), "d");
  EXPECT_EQ(present.ReadString("General", "Other", "d"), "d");
  EXPECT_EQ(present.ReadString("General", "Timeout", "d"), "500");
}

TEST(IniFileRead, NamesMatchInAnyCaseAndBlanksAroundThemAreDropped) {
  TempDir dir;
  WriteWhole(dir.File("a.ini"),
             "  [ Protocol ]  \n"
             "  Protocol  =  ModbusTCP  \n"
             "\tPath=a=b=c\n"
             "Empty=\n"
             "; Comment=not a key\n"
             "[RTUPortSettings]\n"
             "Port=COM3\n");
  const IniFile file(dir.File("a.ini"));
  EXPECT_EQ(file.ReadString("PROTOCOL", "protocol", ""), "ModbusTCP");
  EXPECT_EQ(file.ReadString("protocol", "PATH", ""), "a=b=c");
  EXPECT_EQ(file.ReadString("Protocol", "Empty", "d"), "");
  EXPECT_EQ(file.ReadString("Protocol", "; Comment", "d"), "d");
  EXPECT_EQ(file.ReadString("rtuportsettings", "port", ""), "COM3");
  EXPECT_EQ(file.ReadString("Protocol", "Port", "none"), "none") << "keys belong to their section";
}

TEST(IniFileRead, ToleratesEveryLineEndAndNoFinalLineEnd) {
  const std::string texts[] = {
      "[S]\nA=1\nB=2\n", "[S]\r\nA=1\r\nB=2\r\n", "[S]\rA=1\rB=2\r",
      "[S]\nA=1\nB=2",   "[S]\r\nA=1\rB=2",       "\n\n[S]\r\n\r\nA=1\n\rB=2",
  };
  TempDir dir;
  for (const std::string& text : texts) {
    SCOPED_TRACE(testing::PrintToString(text));
    WriteWhole(dir.File("a.ini"), text);
    const IniFile file(dir.File("a.ini"));
    EXPECT_EQ(file.ReadString("S", "A", ""), "1");
    EXPECT_EQ(file.ReadString("S", "B", ""), "2");
  }
}

// What Windows editors write: the first section must not be lost behind the
// mark, and saving keeps the mark.
TEST(IniFileRead, LeadingByteOrderMarkIsSkippedAndKeptOnCommit) {
  const std::string texts[] = {
      "\xEF\xBB\xBF[General]\nTimeout=5\n",
      "\xEF\xBB\xBF[General]\r\nTimeout=5",
      "\xEF\xBB\xBF\r\n[General]\r\nTimeout=5\r\n",
  };
  TempDir dir;
  for (const std::string& text : texts) {
    SCOPED_TRACE(testing::PrintToString(text));
    WriteWhole(dir.File("bom.ini"), text);
    IniFile file(dir.File("bom.ini"));
    EXPECT_EQ(file.ReadString("General", "Timeout", "none"), "5");
    file.WriteString("General", "ScanRate", "7");
    file.Commit();
    const std::string saved = ReadWhole(dir.File("bom.ini"));
    EXPECT_EQ(saved.rfind("\xEF\xBB\xBF", 0), 0u);
    EXPECT_EQ(saved.find("\xEF\xBB\xBF", 1), std::string::npos);
    EXPECT_EQ(IniFile(dir.File("bom.ini")).ReadString("General", "ScanRate", ""), "7");
  }
}

TEST(IniFileRead, FirstSectionAndFirstKeyWinAndKeysBeforeAnySectionAreIgnored) {
  TempDir dir;
  WriteWhole(dir.File("a.ini"), "Loose=1\n[S]\nK=first\nK=second\n[s]\nK=third\nL=4\n");
  IniFile file(dir.File("a.ini"));
  EXPECT_EQ(file.ReadString("", "Loose", "d"), "d");
  EXPECT_EQ(file.ReadString("S", "K", ""), "first");
  EXPECT_EQ(file.ReadString("S", "L", "d"), "d");
  file.WriteString("S", "K", "new");
  file.Commit();
  EXPECT_EQ(ReadWhole(dir.File("a.ini")), "Loose=1\n[S]\nK=new\nK=second\n[s]\nK=third\nL=4\n");
}

TEST(IniFileRead, LongValuesAreCutTo2047Characters) {
  TempDir dir;
  const std::string value(5000, 'v');
  IniFile file(dir.File("a.ini"));
  file.WriteString("S", "Long", value);
  file.WriteString("S", "Exact", value.substr(0, 2047));
  file.Commit();
  EXPECT_NE(ReadWhole(dir.File("a.ini")).find(value), std::string::npos) << "stored whole";
  const IniFile reread(dir.File("a.ini"));
  EXPECT_EQ(reread.ReadString("S", "Long", ""), value.substr(0, 2047));
  EXPECT_EQ(reread.ReadString("S", "Exact", ""), value.substr(0, 2047));
}

TEST(IniFileWrite, NewFileHoldsSectionsAndKeysInWriteOrder) {
  TempDir dir;
  IniFile file(dir.File("ZeKvadro.ini"));
  file.WriteString("Protocol", "Protocol", "ModbusRTU");
  file.WriteString("RTUPortSettings", "Port", "COM2");
  file.WriteString("RTUPortSettings", "Bitrate", "115200");
  file.WriteString("General", "Timeout", "1000");
  file.WriteString("rtuportsettings", "Parity", "NONE");
  file.WriteString("general", "TIMEOUT", "2000");
  EXPECT_EQ(file.ReadString("General", "Timeout", ""), "2000") << "reads see unsaved writes";
  file.Commit();
  EXPECT_EQ(ReadWhole(dir.File("ZeKvadro.ini")),
            "[Protocol]\nProtocol=ModbusRTU\n"
            "[RTUPortSettings]\nPort=COM2\nBitrate=115200\nParity=NONE\n"
            "[General]\nTimeout=2000\n");
}

TEST(IniFileWrite, ReplacesInPlaceAppendsAtSectionEndAndKeepsEverythingElse) {
  TempDir dir;
  WriteWhole(dir.File("a.ini"),
             "; settings\r\n"
             "[General]\r\n"
             "  TimeOut = 1000 \r\n"
             "Unknown=keep me\r\n"
             "\r\n"
             "; trailing comment\r\n"
             "[Other]\r\n"
             "X=1\r\n"
             "[Empty]\r\n"
             "garbage line without equals");
  IniFile file(dir.File("a.ini"));
  file.WriteString("general", "timeout", "250");
  file.WriteString("General", "ScanRate", "10");
  file.WriteString("Other", "Y", "2");
  file.WriteString("Empty", "Z", "3");
  file.WriteString("New", "K", "v");
  file.Commit();
  EXPECT_EQ(ReadWhole(dir.File("a.ini")),
            "; settings\n"
            "[General]\n"
            "TimeOut=250\n"
            "Unknown=keep me\n"
            "ScanRate=10\n"
            "\n"
            "; trailing comment\n"
            "[Other]\n"
            "X=1\n"
            "Y=2\n"
            "[Empty]\n"
            "Z=3\n"
            "garbage line without equals\n"
            "[New]\n"
            "K=v\n");
}

TEST(IniFileWrite, LineBreaksInsideNamesAndValuesBecomeBlanks) {
  TempDir dir;
  IniFile file(dir.File("a.ini"));
  file.WriteString("S\nX", "K\r", "line1\r\nline2\n[Evil]\rK=1");
  file.Commit();
  EXPECT_EQ(ReadWhole(dir.File("a.ini")), "[S X]\nK=line1  line2 [Evil] K=1\n");
  const IniFile reread(dir.File("a.ini"));
  EXPECT_EQ(reread.ReadString("S X", "K", ""), "line1  line2 [Evil] K=1");
  EXPECT_EQ(reread.ReadString("Evil", "K", "none"), "none");
}

TEST(IniFileCommit, FailureNamesThePathAsGivenAndLeavesNoTemporaryFile) {
  TempDir dir;
  WriteWhole(dir.File("plain"), "x");
  const std::string paths[] = {
      dir.File("missing-folder/a.ini"),
      dir.File("plain/a.ini"),  // a file where a folder should be
      dir.File("folder/"),
      "",
  };
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    IniFile file(path);
    file.WriteString("S", "K", "V");
    EXPECT_EQ(CommitError(file), "Unable to write to " + path);
  }
  EXPECT_TRUE(OnlyFilesNamed(dir.Path(), {"plain"}));
}

TEST(IniFileCommit, ReadOnlyFolderRaisesAndKeepsTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempDir dir;
  std::filesystem::create_directory(dir.File("ro"));
  const std::string path = dir.File("ro/ZeKvadro.ini");
  WriteWhole(path, "[S]\nK=old\n");
  chmod(dir.File("ro").c_str(), 0555);
  IniFile file(path);
  file.WriteString("S", "K", "new");
  EXPECT_EQ(CommitError(file), "Unable to write to " + path);
  chmod(dir.File("ro").c_str(), 0755);
  EXPECT_EQ(ReadWhole(path), "[S]\nK=old\n");
  EXPECT_TRUE(OnlyFilesNamed(dir.File("ro"), {"ZeKvadro.ini"}));
}

TEST(IniFileCommit, UnreadableFileIsNotReplaced) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempDir dir;
  const std::string path = dir.File("a.ini");
  WriteWhole(path, "[S]\nK=secret\n");
  chmod(path.c_str(), 0200);
  IniFile file(path);
  EXPECT_EQ(file.ReadString("S", "K", "d"), "d");
  file.WriteString("S", "Other", "1");
  EXPECT_EQ(CommitError(file), "Unable to write to " + path);
  chmod(path.c_str(), 0600);
  EXPECT_EQ(ReadWhole(path), "[S]\nK=secret\n");
}

TEST(IniFileCommit, FollowsSymbolicLinksKeepsPermissionsAndRefusesLinkLoops) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("real"));
  const std::string target = dir.File("real/a.ini");
  WriteWhole(target, "[S]\nK=1\n");
  chmod(target.c_str(), 0640);
  std::filesystem::create_symlink("real/a.ini", dir.File("link.ini"));
  IniFile file(dir.File("link.ini"));
  EXPECT_EQ(file.ReadString("S", "K", ""), "1");
  file.WriteString("S", "K", "2");
  file.Commit();
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.ini")));
  EXPECT_EQ(ReadWhole(target), "[S]\nK=2\n");
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_TRUE(OnlyFilesNamed(dir.File("real"), {"a.ini"}));

  std::filesystem::create_symlink("target.ini", dir.File("dangling.ini"));
  IniFile dangling(dir.File("dangling.ini"));
  dangling.WriteString("S", "K", "1");
  dangling.Commit();
  EXPECT_EQ(ReadWhole(dir.File("target.ini")), "[S]\nK=1\n");

  std::filesystem::create_symlink("loop2", dir.File("loop1"));
  std::filesystem::create_symlink("loop1", dir.File("loop2"));
  IniFile loop(dir.File("loop1"));
  loop.WriteString("S", "K", "1");
  EXPECT_EQ(CommitError(loop), "Unable to write to " + dir.File("loop1"));
}

TEST(IniFileOddInput, DirectoryFifoHugeAndUnreadableFilesReadAsEmptyAndAreNotReplaced) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("folder.ini"));
  ASSERT_EQ(mkfifo(dir.File("pipe.ini").c_str(), 0600), 0);
  {
    // Larger than the limit, with a valid key at its start.
    std::string big = "[S]\nK=1\n";
    big.resize(IniFile::kMaxFileSize + 1, 'x');
    WriteWhole(dir.File("big.ini"), big);
  }
  const std::pair<const char*, const char*> cases[] = {{"folder.ini", "Is a directory"},
                                                       {"pipe.ini", "Not a regular file"},
                                                       {"big.ini", "File too large"}};
  for (const auto& [name, reason] : cases) {
    SCOPED_TRACE(name);
    IniFile file(dir.File(name));  // must not block on the FIFO
    EXPECT_EQ(file.ReadString("S", "K", "d"), "d");
    EXPECT_EQ(file.ReadFailure(), reason);
    file.WriteString("S", "K", "2");
    EXPECT_EQ(CommitError(file), std::string("Unable to write to ") + dir.File(name));
  }
  EXPECT_EQ(std::filesystem::file_size(dir.File("big.ini")), IniFile::kMaxFileSize + 1);

  // Why a file was not read, for files that must be there.
  EXPECT_EQ(IniFile("/dev/zero").ReadFailure(), "Not a regular file");  // never read forever
  EXPECT_EQ(IniFile(dir.File("none.ini")).ReadFailure(), "No such file or directory");
  EXPECT_EQ(IniFile("").ReadFailure(), "No such file or directory");
  WriteWhole(dir.File("empty.ini"), "");
  EXPECT_EQ(IniFile(dir.File("empty.ini")).ReadFailure(), "");
  try {
    IniFile(dir.File("pipe.ini")).RequireRead();
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Unable to read " + dir.File("pipe.ini") + ": Not a regular file");
  }
}

TEST(IniFileOddInput, BinaryContentNeverBreaksReadingOrWriting) {
  TempDir dir;
  std::mt19937 random(12345);
  for (int round = 0; round < 20; ++round) {
    std::string bytes(4096, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 256);
    if (round % 2) bytes.insert(0, "[S]\n[");  // headers without ']' and keys with NULs
    WriteWhole(dir.File("bin.ini"), bytes);
    IniFile file(dir.File("bin.ini"));
    file.ReadString("S", "K", "d");
    file.WriteString("S", "K", "v");
    file.Commit();
    EXPECT_EQ(IniFile(dir.File("bin.ini")).ReadString("S", "K", ""), "v");
  }
}

}  // namespace
}  // namespace mms
