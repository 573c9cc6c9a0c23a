#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "SettingsFile.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> NonEmptyLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Every test works in a fresh folder of its own, with the user's
// configuration folder pointed into it.
class SettingsFileTest : public testing::Test {
protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "settings_file_test.XXXXXX").string();
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    root_ = name;
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) oldConfigHome_ = old;
    setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
  }
  void TearDown() override {
    if (oldConfigHome_) {
      setenv("XDG_CONFIG_HOME", oldConfigHome_->c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
    std::error_code ec;
    fs::permissions(root_ / "exe", fs::perms::owner_all, ec);
    fs::remove_all(root_, ec);
  }
  // The names in folder other than the settings files themselves.
  std::vector<std::string> Leftovers(const fs::path& folder, const std::string& keep) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().filename() != keep) names.push_back(entry.path().filename());
    }
    return names;
  }

  fs::path root_;
  std::optional<std::string> oldConfigHome_;
};

TEST_F(SettingsFileTest, ValuesSurviveASaveAndAreWrittenAsKeyEqualsValue) {
  const fs::path path = root_ / "signsend.INI";
  SettingsFile out = SettingsFile::AtPath(path);
  ASSERT_TRUE(out.Load());  // no file yet: all defaults, no error
  out.SetString("PC", "IPAddress", "10.0.0.7");
  out.SetInteger("PC", "Remote", -12);
  out.SetBool("PC", "Color", true);
  out.SetString("TEXT", "0", "a, b; \"c\" $1F");  // kept as it is: no quotes, no list
  ASSERT_EQ(out.Save(), std::nullopt);

  EXPECT_EQ(NonEmptyLines(ReadText(path)),
            (std::vector<std::string>{"[PC]", "IPAddress=10.0.0.7", "Remote=-12", "Color=1",
                                      "[TEXT]", "0=a, b; \"c\" $1F"}));

  SettingsFile in = SettingsFile::AtPath(path);
  ASSERT_TRUE(in.Load());
  EXPECT_EQ(in.GetString("PC", "IPAddress", ""), "10.0.0.7");
  EXPECT_EQ(in.GetInteger("PC", "Remote", 0), -12);
  EXPECT_TRUE(in.GetBool("PC", "Color", false));
  EXPECT_EQ(in.GetString("TEXT", "0", ""), "a, b; \"c\" $1F");
  EXPECT_EQ(in.GetString("TEXT", "1", "none"), "none");
  // Section and key names ignore case, as in Windows profile files.
  EXPECT_EQ(in.GetString("pc", "ipaddress", ""), "10.0.0.7");
}

TEST_F(SettingsFileTest, KeysAndSectionsTheProgramDoesNotKnowAreKept) {
  const fs::path path = root_ / "signview.INI";
  WriteText(path,
            "; written by hand\r\n[PC]\r\nRemote=10001\r\nWindowX=40\r\n"
            "[Other]\r\nkey=value with spaces\r\n");
  SettingsFile settings = SettingsFile::AtPath(path);
  ASSERT_TRUE(settings.Load());
  settings.SetInteger("PC", "Remote", 2000);
  settings.SetInteger("EEPROM", "ADRESA", 127);
  ASSERT_EQ(settings.Save(), std::nullopt);

  SettingsFile again = SettingsFile::AtPath(path);
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.GetInteger("PC", "Remote", 0), 2000);
  EXPECT_EQ(again.GetInteger("PC", "WindowX", 0), 40);
  EXPECT_EQ(again.GetString("Other", "key", ""), "value with spaces");
  EXPECT_EQ(again.GetInteger("EEPROM", "ADRESA", 0), 127);
  EXPECT_NE(ReadText(path).find("; written by hand"), std::string::npos);
}

TEST_F(SettingsFileTest, IntegersAreDecimalOrHexadecimalAndAnythingElseGivesTheDefault) {
  const fs::path path = root_ / "numbers.INI";
  WriteText(path,
            "[N]\ndecimal=300\nnegative=-5\nblanks=  42  \ndollar=$1F\nzerox=0x1F\n"
            "zeroX=0X1f\nletters=abc\nempty=\ntrailing=12abc\nhuge=99999999999\n");
  SettingsFile settings = SettingsFile::AtPath(path);
  ASSERT_TRUE(settings.Load());
  const struct {
    const char* key;
    int32_t expected;
  } cases[] = {
      {"decimal", 300}, {"negative", -5}, {"blanks", 42},    {"dollar", 31},
      {"zerox", 31},    {"zeroX", 31},    {"letters", 77},   {"empty", 77},
      {"trailing", 77}, {"huge", 77},     {"missing", 77},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(settings.GetInteger("N", c.key, 77), c.expected) << c.key;
  }
}

TEST_F(SettingsFileTest, BooleansAreWrittenAsOneOrZeroAndReadAsIntegers) {
  const fs::path path = root_ / "flags.INI";
  WriteText(path, "[B]\ntwo=2\nzero=0\nhex=$0\nword=yes\n");
  SettingsFile settings = SettingsFile::AtPath(path);
  ASSERT_TRUE(settings.Load());
  EXPECT_TRUE(settings.GetBool("B", "two", false));
  EXPECT_FALSE(settings.GetBool("B", "zero", true));
  EXPECT_FALSE(settings.GetBool("B", "hex", true));
  EXPECT_TRUE(settings.GetBool("B", "word", true));  // not a number: the default
  EXPECT_FALSE(settings.GetBool("B", "word", false));
  EXPECT_TRUE(settings.GetBool("B", "missing", true));

  settings.SetBool("B", "two", false);
  settings.SetBool("B", "zero", true);
  ASSERT_EQ(settings.Save(), std::nullopt);
  const std::string text = ReadText(path);
  EXPECT_NE(text.find("two=0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("zero=1\n"), std::string::npos) << text;
}

TEST_F(SettingsFileTest, ALineBreakInAValueCannotMakeKeysOfItsOwn) {
  const fs::path path = root_ / "lines.INI";
  SettingsFile settings = SettingsFile::AtPath(path);
  settings.SetString("TEXT", "0", "first\r\n[PC]\nPort=1");
  ASSERT_EQ(settings.Save(), std::nullopt);

  SettingsFile again = SettingsFile::AtPath(path);
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.GetString("TEXT", "0", ""), "first  [PC] Port=1");
  EXPECT_EQ(again.GetString("PC", "Port", "none"), "none");
}

TEST_F(SettingsFileTest, AFailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
  const fs::path path = root_ / "signview.INI";
  const std::string old = "[PC]\nRemote=10001\n";
  WriteText(path, old);
  SettingsFile settings = SettingsFile::AtPath(path);
  ASSERT_TRUE(settings.Load());
  settings.SetString("PC", "Long", std::string(4096, 'x'));

  // Files may grow to 64 bytes only, so writing the new file fails half
  // way, as on a full disk.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::optional<std::string> error = settings.Save();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(error, "Unable to write to " + path.string());
  EXPECT_EQ(ReadText(path), old);
  EXPECT_EQ(Leftovers(root_, "signview.INI"), std::vector<std::string>{});
}

TEST_F(SettingsFileTest, ASaveThatCannotRenameRemovesItsTemporaryFile) {
  // A folder where the file should be: the new file is written but cannot
  // take its place.
  const fs::path path = root_ / "signview.INI";
  fs::create_directory(path);
  SettingsFile settings = SettingsFile::AtPath(path);
  EXPECT_FALSE(settings.Load());  // exists, but is no readable file
  settings.SetInteger("PC", "Remote", 1);
  EXPECT_EQ(settings.Save(), "Unable to write to " + path.string());
  EXPECT_TRUE(fs::is_directory(path));
  EXPECT_EQ(Leftovers(root_, "signview.INI"), std::vector<std::string>{});
}

TEST_F(SettingsFileTest, ASaveBelowARegularFileNamesTheFile) {
  WriteText(root_ / "plain", "not a folder");
  const fs::path path = root_ / "plain" / "signsend.INI";
  SettingsFile settings = SettingsFile::AtPath(path);
  EXPECT_TRUE(settings.Load());
  settings.SetString("PC", "Port", "10001");
  EXPECT_EQ(settings.Save(), "Unable to write to " + path.string());
}

TEST_F(SettingsFileTest, ASaveKeepsTheModeOfTheOldFile) {
  const fs::path path = root_ / "shared.INI";
  WriteText(path, "[PC]\n");
  fs::permissions(path, fs::perms(0640));
  SettingsFile settings = SettingsFile::AtPath(path);
  settings.SetInteger("PC", "Remote", 5);
  ASSERT_EQ(settings.Save(), std::nullopt);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(0640));
}

TEST_F(SettingsFileTest, AWritableProgramFolderKeepsTheFileBesideTheProgram) {
  fs::create_directory(root_ / "exe");
  SettingsFile settings = SettingsFile::ForProgram(root_ / "exe", "signsend.INI");
  EXPECT_EQ(settings.Path(), (root_ / "exe" / "signsend.INI").string());
  EXPECT_EQ(settings.ReadPath(), settings.Path());
}

TEST_F(SettingsFileTest, WithoutAProgramFolderTheFileGoesToTheConfigurationFolder) {
  // A program folder that cannot be written: here one that does not exist.
  const fs::path config = root_ / "config" / "lumidot" / "signsend.INI";
  SettingsFile settings = SettingsFile::ForProgram(root_ / "gone", "signsend.INI");
  EXPECT_EQ(settings.Path(), config.string());
  EXPECT_EQ(settings.ReadPath(), config.string());
  ASSERT_TRUE(settings.Load());
  settings.SetString("PC", "Port", "2000");
  ASSERT_EQ(settings.Save(), std::nullopt);  // makes the configuration folder

  SettingsFile again = SettingsFile::ForProgram(root_ / "gone", "signsend.INI");
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.GetString("PC", "Port", ""), "2000");
}

// The folder of an installed program cannot be written by its user; the
// copy that came with it gives the values until the first save, which goes
// to the configuration folder. Writability is asked of the kernel with
// access(2), which lets root write anywhere, so the check runs in a child
// process that gives up root first.
TEST_F(SettingsFileTest, AReadOnlyProgramFolderIsReadUntilTheConfigurationCopyExists) {
  const fs::path exe = root_ / "exe";
  fs::create_directories(root_ / "config");
  fs::create_directory(exe);
  WriteText(exe / "signsend.INI", "[PC]\nPort=1234\n");
  fs::permissions(root_, fs::perms(0755));
  fs::permissions(root_ / "config", fs::perms(0777));
  fs::permissions(exe / "signsend.INI", fs::perms(0644));
  fs::permissions(exe, fs::perms(0555));
  const fs::path config = root_ / "config" / "lumidot" / "signsend.INI";

  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) std::_Exit(10);
        SettingsFile first = SettingsFile::ForProgram(exe, "signsend.INI");
        if (first.Path() != config.string()) std::_Exit(11);
        if (first.ReadPath() != (exe / "signsend.INI").string()) std::_Exit(12);
        if (!first.Load() || first.GetString("PC", "Port", "") != "1234") std::_Exit(13);
        first.SetString("PC", "Port", "4321");
        if (first.Save()) std::_Exit(14);
        SettingsFile second = SettingsFile::ForProgram(exe, "signsend.INI");
        if (second.ReadPath() != config.string()) std::_Exit(15);
        if (!second.Load() || second.GetString("PC", "Port", "") != "4321") std::_Exit(16);
        std::_Exit(0);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadText(exe / "signsend.INI"), "[PC]\nPort=1234\n");  // the shipped copy is untouched
}

}  // namespace
