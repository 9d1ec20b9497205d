#include "options/config_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <random>
#include <tuple>

#include "support/allocation_probe.h"
#include "support/scratch_environment.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::ScratchEnvironment;
using test::WriteFileBytes;

// The document a text gives, as (section, key, value) triples in stored order.
using Triples = std::vector<std::tuple<std::string, std::string, std::string>>;

Triples Contents(const IniFile& ini) {
  Triples out;
  for (const IniSection& section : ini.Sections()) {
    for (const IniEntry& entry : section.Entries()) {
      out.emplace_back(section.Name(), entry.key, entry.value);
    }
  }
  return out;
}

IniFile Parsed(std::string_view text) {
  IniFile ini;
  ini.Parse(text);
  return ini;
}

std::vector<std::string> FolderListing(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(IniFile, ParsingRules) {
  // A repeated key replaces the value and keeps its place.
  EXPECT_EQ(Contents(Parsed("[S]\nA=1\nB=x\nA=2\n")), (Triples{{"S", "A", "2"}, {"S", "B", "x"}}));

  // Nothing is trimmed: key "x " and value " 5".
  IniFile spaced = Parsed("[S]\r\nx = 5\r\n");
  EXPECT_EQ(Contents(spaced), (Triples{{"S", "x ", " 5"}}));
  EXPECT_EQ(spaced.ReadInt("S", "x"), -1);
  EXPECT_EQ(spaced.LastError(), "Unable to locate specified value.");
  EXPECT_EQ(spaced.ReadString("S", "x "), " 5");
  EXPECT_EQ(spaced.ReadInt("S", "x "), 5);  // atoi skips the leading space

  // Headers: the last character must be "]", and the name ends at the first "]".
  EXPECT_EQ(Contents(Parsed("[S]extra=1\n[a]b]\nk=v\n[ T ]\nk=w\n")),
            (Triples{{"", "[S]extra", "1"}, {"a", "k", "v"}, {" T ", "k", "w"}}));
  EXPECT_EQ(Contents(Parsed("[]\nk=v\n")), (Triples{{"", "k", "v"}}));

  // The value is everything after the first "="; an empty key and an empty value are kept.
  EXPECT_EQ(Contents(Parsed("[S]\nm=a=b==\n=v\nk=\n")),
            (Triples{{"S", "m", "a=b=="}, {"S", "", "v"}, {"S", "k", ""}}));

  // A header makes no section by itself; empty lines and lines without "=" are passed over.
  EXPECT_EQ(Contents(Parsed("[Empty]\n\n\r\njunk\n[S]\nk=v")), (Triples{{"S", "k", "v"}}));

  // Section and key names are case-sensitive.
  IniFile cased = Parsed("[options]\nKey=1\n[Options]\nkey=2\n");
  EXPECT_EQ(cased.ReadString("Options", "key"), "2");
  EXPECT_EQ(cased.ReadString("options", "Key"), "1");
  EXPECT_EQ(cased.ReadString("Options", "Key"), "");
  EXPECT_EQ(cased.ReadString("OPTIONS", "key"), "");
  EXPECT_EQ(cased.LastError(), "Unable to locate specified key.");
}

TEST(IniFile, LineEndsNulBytesAndLongLines) {
  // LF and CR LF both end a line; a CR anywhere else belongs to the line.
  EXPECT_EQ(Contents(Parsed("[S]\r\na=1\nb=2\r\nc=x\ry\r\r\nd=3\r")),
            (Triples{{"S", "a", "1"}, {"S", "b", "2"}, {"S", "c", "x\ry\r"}, {"S", "d", "3\r"}}));
  // NUL bytes are ordinary characters.
  const std::string withNul("[S\0]\nk\0=v\0w\n", 12);
  EXPECT_EQ(Contents(Parsed(withNul)),
            (Triples{{std::string("S\0", 2), std::string("k\0", 2), std::string("v\0w", 3)}}));

  // A line of 2047 characters is read; one of 2048 ends the reading, and what came before stays.
  const std::string longest = "k=" + std::string(2045, 'v');
  const std::string tooLong = "t=" + std::string(2046, 'v');
  EXPECT_EQ(Contents(Parsed("[S]\r\n" + longest + "\r\nb=1\r\n")),
            (Triples{{"S", "k", std::string(2045, 'v')}, {"S", "b", "1"}}));
  EXPECT_EQ(Contents(Parsed("[S]\na=1\n" + tooLong + "\nb=1\n")), (Triples{{"S", "a", "1"}}));
  EXPECT_EQ(Contents(Parsed("[S]\na=1\n" + tooLong)), (Triples{{"S", "a", "1"}}));
  // The limit counts characters without the line end, and a CR not before LF is a character.
  EXPECT_EQ(Contents(Parsed("[S]\n" + longest)).size(), 1u);
  EXPECT_EQ(Contents(Parsed("[S]\n" + longest + "\r")).size(), 0u);
}

TEST(IniFile, ReadAndWriteRequests) {
  IniFile ini;
  EXPECT_FALSE(ini.WriteString("S", "k", "v", false));  // no section and no create: nothing
  EXPECT_TRUE(ini.Sections().empty());
  EXPECT_TRUE(ini.WriteString("S", "k", "v", true));
  EXPECT_FALSE(ini.WriteString("S", "other", "v", false));  // no key and no create: nothing
  EXPECT_TRUE(ini.WriteString("S", "k", "w", false));       // both exist: replaced
  EXPECT_TRUE(ini.WriteInt("S", "n", -1, true));
  EXPECT_TRUE(ini.WriteInt("S", "min", -2147483647 - 1, true));
  ini.Parse("[S]\nempty=\ntext=12abc\nword=abc\n");
  EXPECT_EQ(Contents(ini), (Triples{{"S", "k", "w"},
                                    {"S", "n", "-1"},
                                    {"S", "min", "-2147483648"},
                                    {"S", "empty", ""},
                                    {"S", "text", "12abc"},
                                    {"S", "word", "abc"}}));
  // A stored -1, an empty value and a missing key all read as -1; found values leave the last
  // error alone.
  EXPECT_EQ(ini.ReadInt("S", "n"), -1);
  EXPECT_EQ(ini.ReadInt("S", "empty"), -1);
  EXPECT_EQ(ini.LastError(), "");
  EXPECT_EQ(ini.ReadInt("S", "missing"), -1);
  EXPECT_EQ(ini.LastError(), "Unable to locate specified value.");
  EXPECT_EQ(ini.ReadInt("Nope", "n"), -1);
  EXPECT_EQ(ini.LastError(), "Unable to locate specified key.");
  EXPECT_EQ(ini.ReadInt("S", "min"), -2147483647 - 1);
  EXPECT_EQ(ini.ReadInt("S", "text"), 12);
  EXPECT_EQ(ini.ReadInt("S", "word"), 0);
  EXPECT_EQ(ini.ReadString("S", "k"), "w");
  EXPECT_EQ(ini.LastError(), "Unable to locate specified key.");
}

TEST(IniFile, WrittenText) {
  IniFile ini;
  ini.WriteString("A", "k1", "1", true);
  ini.WriteString("B", "k3", "3", true);
  ini.WriteString("A", "k2", "x y", true);
  EXPECT_EQ(ini.Text(), "[A]\r\nk1=1\r\nk2=x y\r\n\r\n[B]\r\nk3=3\r\n\r\n");

  // Pairs before any header belong to the section with the empty name, written as "[]".
  IniFile loose = Parsed("k=v\n[S]\na=b\n");
  EXPECT_EQ(loose.Text(), "[]\r\nk=v\r\n\r\n[S]\r\na=b\r\n\r\n");
  EXPECT_EQ(IniFile().Text(), "");

  // Whatever a file gave reads back the same after writing, lone CRs and NULs included.
  const std::string odd("[a[=]\r\n=\r\n[x=\r\nk=v\r\r\n\0=\0\r\n", 26);
  const IniFile first = Parsed(odd);
  const IniFile second = Parsed(*first.Text());
  EXPECT_EQ(Contents(second), Contents(first));
  EXPECT_EQ(Contents(first).size(), 4u);
}

TEST(IniFile, RefusesToWriteWhatWouldNotReadBack) {
  struct Case {
    std::string section, key, value;
  };
  const Case cases[] = {
      {"S", "k", "line\nbreak"},           // would start a new line (and could add keys)
      {"S", "k\nx", "v"},                  //
      {"S\n", "k", "v"},                   //
      {"a]b", "k", "v"},                   // the name would end at the first "]"
      {"S", "a=b", "v"},                   // the key would end at the first "="
      {"S", "[k", "v]"},                   // "[k=v]" reads as a header
      {"S", "k", std::string(2046, 'v')},  // "k=" + 2046 characters: 2048
      {std::string(2046, 's'), "k", "v"},  // "[" + 2046 + "]": 2048
  };
  for (const Case& c : cases) {
    IniFile ini;
    ini.WriteString("Good", "k", "v", true);
    ini.WriteString(c.section, c.key, c.value, true);
    std::string problem;
    EXPECT_EQ(ini.Text(&problem), std::nullopt) << c.section << "/" << c.key;
    EXPECT_FALSE(problem.empty());
  }
  // The longest line that still reads back.
  IniFile longest;
  longest.WriteString("S", "k", std::string(2045, 'v'), true);
  longest.WriteString(std::string(2045, 's'), "k", "v", true);
  ASSERT_TRUE(longest.Text().has_value());
  EXPECT_EQ(Contents(Parsed(*longest.Text())), Contents(longest));
}

// ---------------------------------------------------------------------------------------------
// Files

class ConfigStoreFiles : public ::testing::Test {
 protected:
  ScratchEnvironment env;

  ConfigStore Store(StoreLocation location = StoreLocation::UserAppData) {
    return ConfigStore("Morvak", "KLV300", location);
  }
  fs::path OptionsFile() const { return env.ConfigHome() / "Morvak" / "KLV300.ini"; }

  static constexpr std::string_view kOldText = "[S]\r\nk=old\r\n\r\n";
  void WriteOldFile() const {
    fs::create_directories(OptionsFile().parent_path());
    WriteFileBytes(OptionsFile(), kOldText);
  }
};

TEST_F(ConfigStoreFiles, PathsFollowTheLocation) {
  // Finding the per-user path creates the configuration folder and the maker folder.
  EXPECT_EQ(Store().FilePath(), OptionsFile().string());
  EXPECT_TRUE(fs::is_directory(env.ConfigHome() / "Morvak"));
  EXPECT_EQ(Store(StoreLocation::ProgramFolder).FilePath(),
            (env.ProgramFolder() / "KLV300.ini").string());
  EXPECT_EQ(Store(StoreLocation::WindowsFolder).FilePath(), (env.Home() / "KLV300.ini").string());
  EXPECT_EQ(Store(StoreLocation::CommonAppData).FilePath(),
            (env.SystemConfig() / "Morvak" / "KLV300.ini").string());
  EXPECT_EQ(Store(static_cast<StoreLocation>(4)).FilePath(), "");
  EXPECT_EQ(ExchangeStore().FilePath(), (env.ConfigHome() / "Morvak" / "KLV3ADJ.ini").string());
  EXPECT_EQ(DefaultConfigurationStore().FilePath(),
            (env.ProgramFolder() / "KLV3_Default.ini").string());

  // Without XDG_CONFIG_HOME the per-user folder is ~/.config; a relative value is ignored.
  env.Set("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(Store().FilePath(), (env.Home() / ".config/Morvak/KLV300.ini").string());
  env.Set("XDG_CONFIG_HOME", "relative/folder");
  EXPECT_EQ(Store().FilePath(), (env.Home() / ".config/Morvak/KLV300.ini").string());
  // The first absolute entry of XDG_CONFIG_DIRS, else /etc/xdg.
  env.Set("XDG_CONFIG_DIRS", "relative:" + env.Home().string() + ":" + env.Root().string());
  EXPECT_EQ(Store(StoreLocation::CommonAppData).FilePath(),
            (env.Home() / "Morvak" / "KLV300.ini").string());
}

TEST_F(ConfigStoreFiles, FolderFallbacks) {
  // No usable per-user folder (its parent does not exist, so it cannot be made): the home
  // folder itself, without the maker folder.
  env.Set("XDG_CONFIG_HOME", (env.Root() / "missing" / "config").string());
  EXPECT_EQ(Store().FilePath(), (env.Home() / "KLV300.ini").string());
  // The maker folder cannot be made either when a file is in its way.
  env.Set("XDG_CONFIG_HOME", env.ConfigHome().string());
  fs::create_directory(env.ConfigHome());
  WriteFileBytes(env.ConfigHome() / "Morvak", "not a folder");
  EXPECT_EQ(Store().FilePath(), (env.Home() / "KLV300.ini").string());
  // No home folder either: the program folder.
  env.Set("HOME", (env.Root() / "nobody").string());
  EXPECT_EQ(Store().FilePath(), (env.ProgramFolder() / "KLV300.ini").string());
  env.Set("HOME", std::nullopt);
  EXPECT_EQ(Store().FilePath(), (env.ProgramFolder() / "KLV300.ini").string());
  EXPECT_EQ(Store(StoreLocation::WindowsFolder).FilePath(), "");
  // No program folder override: the folder of the running test program.
  env.Set("KALVANE_PROGRAM_FOLDER", std::nullopt);
  const fs::path self = fs::read_symlink("/proc/self/exe");
  EXPECT_EQ(Store(StoreLocation::ProgramFolder).FilePath(),
            (self.parent_path() / "KLV300.ini").string());
}

TEST_F(ConfigStoreFiles, SaveAndLoadMerge) {
  ConfigStore store = Store();
  store.WriteString("Options", "A", "1", true);
  store.WriteString("Other", "Unused", "kept", true);
  ASSERT_TRUE(store.Save()) << store.LastError();
  EXPECT_EQ(store.Path(), OptionsFile().string());
  EXPECT_EQ(ReadFileBytes(OptionsFile()), "[Options]\r\nA=1\r\n\r\n[Other]\r\nUnused=kept\r\n\r\n");

  // Loading merges: what memory holds stays unless the file overrides it.
  WriteFileBytes(OptionsFile(), "[Options]\nB=2\nA=3\n");
  ConfigStore reader = Store();
  reader.WriteString("Options", "Mine", "m", true);
  reader.WriteString("Options", "A", "old", true);
  EXPECT_TRUE(reader.Load());
  EXPECT_EQ(Contents(reader),
            (Triples{{"Options", "Mine", "m"}, {"Options", "A", "3"}, {"Options", "B", "2"}}));

  // A store with no location of its own keeps the path it was given.
  ConfigStore explicitStore("Morvak", "ignored", kExplicitPath);
  explicitStore.SetPath((env.Root() / "elsewhere.ini").string());
  EXPECT_TRUE(explicitStore.Save());
  EXPECT_TRUE(fs::exists(env.Root() / "elsewhere.ini"));
}

TEST_F(ConfigStoreFiles, LoadFailures) {
  ConfigStore store = Store();
  store.WriteString("S", "k", "v", true);
  store.ReadString("S", "nothing");  // sets a last error to watch
  // A missing file: false, memory and last error unchanged; the maker folder is made anyway.
  EXPECT_FALSE(store.Load());
  EXPECT_EQ(Contents(store), (Triples{{"S", "k", "v"}}));
  EXPECT_EQ(store.LastError(), "Unable to locate specified value.");
  EXPECT_TRUE(fs::is_directory(env.ConfigHome() / "Morvak"));

  // A folder, or a pipe, where the file should be cannot be opened as one.
  fs::create_directory(OptionsFile());
  EXPECT_FALSE(store.Load());
  EXPECT_EQ(store.LastError(), "Unable to open ini file.");
  fs::remove(OptionsFile());
  ASSERT_EQ(::mkfifo(OptionsFile().c_str(), 0600), 0);
  ConfigStore fresh = Store();
  EXPECT_FALSE(fresh.Load());  // and does not wait for a writer
  EXPECT_EQ(fresh.LastError(), "Unable to open ini file.");
  fs::remove(OptionsFile());

  // A file without read permission (permission bits do not stop the superuser).
  if (::geteuid() != 0) {
    WriteFileBytes(OptionsFile(), "[S]\nk=v\n");
    fs::permissions(OptionsFile(), fs::perms::none);
    ConfigStore locked = Store();
    EXPECT_FALSE(locked.Load());
    EXPECT_EQ(locked.LastError(), "Unable to open ini file.");
  }

  // A path with no file system behind it, and a store with no folder.
  IniFile nowhere;
  EXPECT_FALSE(nowhere.LoadFromPath());
  EXPECT_EQ(nowhere.LastError(), "");
}

TEST_F(ConfigStoreFiles, LongLinesInFilesStopTheReadingWithBoundedMemory) {
  fs::create_directories(OptionsFile().parent_path());
  // Lines put together across reads of the file, each just within the limit.
  std::string text = "[S]\r\n";
  for (int i = 0; i < 40; ++i)
    text += "k" + std::to_string(i) + "=" + std::string(2040, 'a' + i % 26) + "\r\n";
  text += "z=" + std::string(3 * 1024 * 1024, 'x') + "\r\nafter=1\r\n";
  WriteFileBytes(OptionsFile(), text);
  ConfigStore store = Store();
  {
    test::AllocationProbe probe;
    EXPECT_TRUE(store.Load());
    EXPECT_LT(probe.LargestAllocation(), 64u * 1024u);
  }
  ASSERT_EQ(store.Sections().size(), 1u);
  EXPECT_EQ(store.Sections()[0].Entries().size(), 40u);
  EXPECT_EQ(store.ReadString("S", "k39"), std::string(2040, 'a' + 39 % 26));
  EXPECT_EQ(store.ReadString("S", "after"), "");
}

TEST_F(ConfigStoreFiles, RandomFileLoads) {
  fs::create_directories(OptionsFile().parent_path());
  std::mt19937 random(7);
  std::string bytes(256 * 1024, '\0');
  for (char& b : bytes)
    b = static_cast<char>(random());
  WriteFileBytes(OptionsFile(), bytes);
  ConfigStore store = Store();
  EXPECT_TRUE(store.Load());
  EXPECT_EQ(Contents(store), Contents(Parsed(bytes)));
}

TEST_F(ConfigStoreFiles, SaveReplacesTheFileWhole) {
  ConfigStore store = Store();
  store.WriteString("S", "k", "1", true);
  ASSERT_TRUE(store.Save());
  fs::permissions(OptionsFile(),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  store.WriteString("S", "k", "2", true);
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ReadFileBytes(OptionsFile()), "[S]\r\nk=2\r\n\r\n");
  // The permissions of the old file carry over, and no temporary file is left behind.
  EXPECT_EQ(fs::status(OptionsFile()).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(FolderListing(OptionsFile().parent_path()), std::vector<std::string>{"KLV300.ini"});

  // A link is followed: the file it names is replaced and the link stays.
  const fs::path target = env.Root() / "real.ini";
  WriteFileBytes(target, "[Old]\nx=y\n");
  fs::remove(OptionsFile());
  fs::create_symlink(target, OptionsFile());
  ASSERT_TRUE(store.Save()) << store.LastError();
  EXPECT_TRUE(fs::is_symlink(OptionsFile()));
  EXPECT_EQ(ReadFileBytes(target), "[S]\r\nk=2\r\n\r\n");
}

TEST_F(ConfigStoreFiles, SaveFailuresAreReportedAndKeepTheOldFile) {
  // No folder name or file base name: nothing is written.
  ConfigStore unnamed("", "KLV300", StoreLocation::ProgramFolder);
  unnamed.WriteString("S", "k", "v", true);
  EXPECT_FALSE(unnamed.Save());
  EXPECT_FALSE(unnamed.LastError().empty());
  EXPECT_TRUE(fs::is_empty(env.ProgramFolder()));

  // A "folder" that is a regular file.
  WriteFileBytes(env.Root() / "plain", "x");
  env.Set("KALVANE_PROGRAM_FOLDER", (env.Root() / "plain").string());
  ConfigStore blocked = Store(StoreLocation::ProgramFolder);
  blocked.WriteString("S", "k", "v", true);
  EXPECT_FALSE(blocked.Save());
  EXPECT_NE(blocked.LastError().find("Not a directory"), std::string::npos) << blocked.LastError();
  EXPECT_NE(blocked.LastError().find("plain/KLV300.ini"), std::string::npos);

  // The file's place taken by a folder that is not empty: the rename fails.
  env.Set("KALVANE_PROGRAM_FOLDER", env.ProgramFolder().string());
  fs::create_directories(env.ProgramFolder() / "KLV300.ini" / "inside");
  ConfigStore overFolder = Store(StoreLocation::ProgramFolder);
  overFolder.WriteString("S", "k", "v", true);
  EXPECT_FALSE(overFolder.Save());
  EXPECT_TRUE(fs::is_directory(env.ProgramFolder() / "KLV300.ini" / "inside"));
  EXPECT_EQ(FolderListing(env.ProgramFolder()), std::vector<std::string>{"KLV300.ini"});

  // A document that would not read back is not written.
  WriteOldFile();
  ConfigStore unwritable = Store();
  unwritable.WriteString("S", "k", "two\nlines", true);
  EXPECT_FALSE(unwritable.Save());
  EXPECT_NE(unwritable.LastError().find("line break"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(OptionsFile()), kOldText);
}

// The disk filling up part way through a save, which also stops the superuser: the size limit
// of files this process writes.
TEST_F(ConfigStoreFiles, FullDiskKeepsTheOldFile) {
  WriteOldFile();
  ConfigStore store = Store();
  store.WriteString("S", "k", std::string(2000, 'n'), true);

  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool savedOk = store.Save();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_FALSE(savedOk);
  EXPECT_NE(store.LastError().find("File too large"), std::string::npos) << store.LastError();
  EXPECT_EQ(ReadFileBytes(OptionsFile()), kOldText);
  EXPECT_EQ(FolderListing(OptionsFile().parent_path()), std::vector<std::string>{"KLV300.ini"});
}

TEST_F(ConfigStoreFiles, ReadOnlyFolderKeepsTheOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop the superuser";
  WriteOldFile();
  fs::permissions(OptionsFile().parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
  ConfigStore store = Store();
  store.WriteString("S", "k", "new", true);
  EXPECT_FALSE(store.Save());
  EXPECT_NE(store.LastError().find("Permission denied"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(OptionsFile()), kOldText);
}

TEST_F(ConfigStoreFiles, DeleteFile) {
  ConfigStore store = Store(StoreLocation::ProgramFolder);
  store.DeleteFile();  // no file: nothing happens
  store.WriteString("S", "k", "v", true);
  ASSERT_TRUE(store.Save());
  store.DeleteFile();
  EXPECT_FALSE(fs::exists(env.ProgramFolder() / "KLV300.ini"));
  // Failures are ignored: a folder in the file's place stays.
  fs::create_directory(env.ProgramFolder() / "KLV300.ini");
  store.DeleteFile();
  EXPECT_TRUE(fs::is_directory(env.ProgramFolder() / "KLV300.ini"));
}

}  // namespace
}  // namespace kv
