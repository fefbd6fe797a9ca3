#include "posix/drive_map.h"

#include <gtest/gtest.h>

namespace {

std::string Host(const DriveMap& map, const std::string& path) {
  std::string host;
  return ToHostPath(map, path, &host) ? host : "<unmapped>";
}

TEST(DriveMapParse, UnsetOrEmptyMapsCToTheHostRoot) {
  for (const char* text : {static_cast<const char*>(nullptr), ""}) {
    DriveMap map = ParseDriveMap(text);
    EXPECT_EQ(map.root[3], "/");
    for (int d = 1; d <= 26; ++d) {
      if (d == 3) continue;
      EXPECT_TRUE(map.root[d].empty()) << d;
    }
  }
}

TEST(DriveMapParse, LettersAnyCaseTrailingSlashesAndJunkEntries) {
  DriveMap map = ParseDriveMap("c=/;d=/mnt/data//;;X;=/tmp;1=/x;E=;Z=/z;z=/zz");
  EXPECT_EQ(map.root[3], "/");
  EXPECT_EQ(map.root[4], "/mnt/data");
  EXPECT_TRUE(map.root[5].empty());
  EXPECT_EQ(map.root[26], "/zz");  // the later entry wins
  EXPECT_TRUE(map.root[24].empty());
}

TEST(DriveMapTranslate, DrivePathsBecomeHostPaths) {
  DriveMap map = ParseDriveMap("C=/;D=/mnt/data");
  EXPECT_EQ(Host(map, "C:\\"), "/");
  EXPECT_EQ(Host(map, "C:"), "/");
  EXPECT_EQ(Host(map, "C:\\WORK\\SRC"), "/WORK/SRC");
  EXPECT_EQ(Host(map, "D:\\"), "/mnt/data");
  EXPECT_EQ(Host(map, "D:"), "/mnt/data");
  EXPECT_EQ(Host(map, "d:\\100% done\\KS.DAT"), "/mnt/data/100% done/KS.DAT");
  EXPECT_EQ(Host(map, "E:\\X"), "<unmapped>");
  // Host paths pass unchanged, backslashes and all.
  EXPECT_EQ(Host(map, "/home/u/ks/KS.DAT"), "/home/u/ks/KS.DAT");
  EXPECT_EQ(Host(map, "/home/u/a\\b"), "/home/u/a\\b");
}

TEST(DriveMapTranslate, LongestRootWinsOnTheWayBack) {
  DriveMap map = ParseDriveMap("C=/;D=/mnt/data;E=/mnt/data/deep");
  EXPECT_EQ(ToDrivePath(map, "/"), "C:\\");
  EXPECT_EQ(ToDrivePath(map, "/usr/lib"), "C:\\usr\\lib");
  EXPECT_EQ(ToDrivePath(map, "/mnt/data"), "D:\\");
  EXPECT_EQ(ToDrivePath(map, "/mnt/data/"), "D:\\");
  EXPECT_EQ(ToDrivePath(map, "/mnt/data/x y"), "D:\\x y");
  EXPECT_EQ(ToDrivePath(map, "/mnt/data/deep/a/b"), "E:\\a\\b");
  // A name that merely begins like a root is not under it.
  EXPECT_EQ(ToDrivePath(map, "/mnt/database"), "C:\\mnt\\database");
}

TEST(DriveMapTranslate, PathsNoDriveCanExpressHaveNone) {
  DriveMap map = ParseDriveMap("D=/mnt/data");
  EXPECT_EQ(ToDrivePath(map, "/home/u"), "");
  EXPECT_EQ(ToDrivePath(map, "/mnt/database"), "");
  // Translating back would turn the backslash into a separator.
  EXPECT_EQ(ToDrivePath(map, "/mnt/data/a\\b"), "");
  EXPECT_EQ(ToDrivePath(map, "/mnt/data/a\\b/c"), "");
}

TEST(DriveMapTranslate, RoundTripKeepsEveryOtherByte) {
  DriveMap map = ParseDriveMap("C=/;D=/srv/d");
  for (std::string path :
       {"D:\\it's $(x) `y` *", "D:\\-lead\\\xe4\xf6", "C:\\a\nb\\c d"}) {
    std::string host;
    ASSERT_TRUE(ToHostPath(map, path, &host));
    EXPECT_EQ(ToDrivePath(map, host), path);
  }
}

TEST(DefaultDriveMap, LocalDiskFileSystemsInMountOrderAndNothingElse) {
  const std::string mountinfo =
      "21 26 0:20 / /proc rw - proc proc rw\n"
      "22 26 0:21 / /sys rw - sysfs sysfs rw\n"
      "26 1 254:0 / / rw - ext4 /dev/vda rw\n"
      "27 26 254:3 / /srv/my\\040data rw - xfs /dev/vdc rw\n"
      "28 26 0:24 / /tmp rw - tmpfs tmpfs rw\n"
      "29 26 254:1 / /home rw - ext4 /dev/vdb rw\n"
      "30 26 0:40 / /run/media/u/stick rw - vfat /dev/sdb1 rw\n"
      "31 26 254:1 /u/shared /mnt/bind rw - ext4 /dev/vdb rw\n"
      "32 26 254:1 / /mnt/again rw - ext4 /dev/vdb rw\n"
      "33 26 0:50 / /net rw - nfs4 srv:/x rw\n"
      "34 26 0:51 / /boot/efi rw - vfat /dev/vda1 rw\n"
      "35 26 0:52 /@data /data rw shared:1 - btrfs /dev/vdd rw\n";
  EXPECT_EQ(LocalDiskMounts(mountinfo),
            (std::vector<std::string>{"/srv/my data", "/home", "/data"}));
  // The older table has no mount roots; the same rules hold otherwise.
  EXPECT_EQ(LocalDiskMounts("proc /proc proc rw 0 0\n/dev/vdb /home ext4 rw 0 0\n"
                            "tmpfs /dev/shm tmpfs rw 0 0\n"),
            std::vector<std::string>{"/home"});

  DriveMap map = DefaultDriveMap({"/home", "/data/"});
  EXPECT_EQ(map.root[3], "/");
  EXPECT_EQ(map.root[4], "/home");
  EXPECT_EQ(map.root[5], "/data");
  EXPECT_TRUE(map.root[6].empty());
  EXPECT_EQ(ToDrivePath(map, "/home/u/src"), "D:\\u\\src");
  std::vector<std::string> many(30, "/m");
  EXPECT_EQ(DefaultDriveMap(many).root[26], "/m");
}

}  // namespace

namespace {

HostFolder AnyFolder(const std::string&) { return HostFolder::kFolder; }
HostFolder NoFolder(const std::string&) { return HostFolder::kMissing; }
HostFolder PasswdIsAFile(const std::string& dir) {
  return dir == "/etc/passwd" ? HostFolder::kNotFolder : HostFolder::kFolder;
}

TEST(DriveMapErrors, EachBadEntryIsNamedWithTheExpectedForm) {
  // The mistakes users make: a colon, a comma, a relative folder, no letter.
  for (const char* bad : {"C:/home/me", "C=", "1=/x", "C=src", "C=/;D:/x"}) {
    std::string error = DriveMapError(bad, "/home/me", AnyFolder);
    EXPECT_NE(error.find("LETTER=DIRECTORY"), std::string::npos) << bad;
  }
  EXPECT_NE(DriveMapError("C=/;D:/x", nullptr, AnyFolder).find("\"D:/x\""),
            std::string::npos);
  // Empty entries (a trailing ";") and good maps are fine.
  EXPECT_EQ(DriveMapError("C=/;D=~/data;", "/home/me", AnyFolder), "");
  EXPECT_EQ(DriveMapError(nullptr, nullptr, NoFolder), "");
}

TEST(DriveMapErrors, MissingFolderIsAnAbsentDriveUnlessItJoinsTwoEntries) {
  EXPECT_EQ(DriveMapError("C=/;E=/media/usb;F=~/net", "/home/me", NoFolder), "");
  for (const char* joined : {"C=/a,D=/b", "C=/;D=/x:e=/y"}) {
    std::string error = DriveMapError(joined, nullptr, NoFolder);
    EXPECT_NE(error.find("holds two entries; write LETTER=DIRECTORY entries separated by"),
              std::string::npos)
        << joined << ": " << error;
  }
  // A folder may really be named so; a file is never a drive.
  EXPECT_EQ(DriveMapError("C=/a,D=/b", nullptr, AnyFolder), "");
  EXPECT_NE(DriveMapError("C=/;D=/etc/passwd", nullptr, PasswdIsAFile)
                .find("\"D=/etc/passwd\": \"/etc/passwd\" is not a folder"),
            std::string::npos);
}

TEST(DriveMapErrors, TildeStartsInHome) {
  DriveMap map = ParseDriveMap("C=~;D=~/src/;E=~x;F=a~", "/home/me/");
  EXPECT_EQ(map.root[3], "/home/me");
  EXPECT_EQ(map.root[4], "/home/me/src");
  EXPECT_EQ(map.root[5], "~x");  // another user's home is not ours to guess
  EXPECT_EQ(map.root[6], "a~");
  EXPECT_EQ(ExpandHome("~/x", "/"), "/x");
  EXPECT_EQ(ExpandHome("~/x", nullptr), "~/x");
  EXPECT_EQ(DriveMapText(map), "C=/home/me;D=/home/me/src;E=~x;F=a~");
}

}  // namespace
