// Where the settings file lives, and what reading and writing do with whatever holds its name.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>

#include "common/system_text.h"
#include "scoped_config_home.h"
#include "test_support.h"
#include "transfer/transfer.h"

namespace kvd {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

constexpr std::string_view kStored = "[KVD2730]\nGPS=/old\n";

// A settings file of exactly `size` bytes that holds /old, filled up with a comment.
std::vector<uint8_t> FileOfSize(std::uintmax_t size) {
    std::string text(kStored);
    text += ';';
    text.append(static_cast<std::size_t>(size) - text.size() - 1, 'x');
    return Bytes(text + '\n');
}

// What a failed write must leave as it found it: the kind of thing at the name, its bytes and
// mode when it is a file, and the folder around it (no temporary file left behind).
struct Snapshot {
    fs::file_type type;
    std::uintmax_t size;
    std::vector<uint8_t> bytes;  // the first of them
    fs::perms mode;
    std::vector<fs::path> folder;

    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const fs::path& file) {
    Snapshot shot{
        fs::symlink_status(file).type(), 0, {}, fs::symlink_status(file).permissions(), {}};
    if (shot.type == fs::file_type::regular) {
        shot.size = fs::file_size(file);
        std::ifstream in(file, std::ios::binary);
        shot.bytes.resize(4096);
        in.read(reinterpret_cast<char*>(shot.bytes.data()), 4096);
        shot.bytes.resize(static_cast<std::size_t>(in.gcount()));
    }
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        shot.folder.push_back(entry.path());
    std::sort(shot.folder.begin(), shot.folder.end());
    return shot;
}

class SettingsFileKinds : public ::testing::Test {
  protected:
    test::TempDir dir;
    test::ScopedConfigHome home{dir.path()};
    fs::path current = dir.path() / "current";

    void SetUp() override {
        fs::create_directories(current);
        fs::create_directories(home.file().parent_path());
    }
};

TEST_F(SettingsFileKinds, OnlyARegularFileWithinTheBoundIsReadOrWritten) {
    const bool root = ::geteuid() == 0;  // root reads a file whatever its mode
    const std::string fallback = PathToUtf8(current);
    const fs::path elsewhere = dir.path() / "elsewhere.ini";
    const struct {
        const char* name;
        std::function<void(const fs::path&)> make;
        std::string read;        // what ReadSaveFolder gives
        std::string writeFails;  // empty: writing /new works; else a part of the error
    } cases[] = {
        {"missing", [](const fs::path&) {}, fallback, ""},
        {"regular", [](const fs::path& f) { test::WriteBytes(f, Bytes(kStored)); }, "/old", ""},
        {"folder", [](const fs::path& f) { fs::create_directory(f); }, fallback, "it is a folder"},
        {"named pipe", [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); }, fallback,
         "it is a named pipe"},
        {"exactly at the bound",
         [](const fs::path& f) { test::WriteBytes(f, FileOfSize(kLargestSettingsFile)); }, "/old",
         ""},
        {"one byte over the bound",
         [](const fs::path& f) { test::WriteBytes(f, FileOfSize(kLargestSettingsFile + 1)); },
         fallback, "1048577 bytes, more than a settings file may hold"},
        {"a gigabyte",
         [](const fs::path& f) {
             test::WriteBytes(f, Bytes(kStored));
             fs::resize_file(f, 1u << 30);  // sparse: costs no disk
         },
         fallback, "1073741824 bytes"},
        {"unreadable",
         [](const fs::path& f) {
             test::WriteBytes(f, Bytes(kStored));
             fs::permissions(f, fs::perms::none);
         },
         root ? "/old" : fallback, root ? "it is read-only" : "Permission denied"},
        {"link to a regular file",
         [&](const fs::path& f) {
             test::WriteBytes(elsewhere, Bytes(kStored));
             fs::create_symlink(elsewhere, f);
         },
         "/old", ""},
        {"link that leads nowhere",
         [&](const fs::path& f) { fs::create_symlink(dir.path() / "gone.ini", f); }, fallback,
         "symbolic link that cannot be followed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = home.file();
        c.make(file);
        EXPECT_EQ(ReadSaveFolder(current), c.read);
        const Snapshot before = Take(file);
        std::string error;
        const bool written = WriteSaveFolder(current, "/new", error);
        if (c.writeFails.empty()) {
            EXPECT_TRUE(written) << error;
            EXPECT_EQ(ReadSaveFolder(current), "/new");
            EXPECT_EQ(fs::symlink_status(file).type(), before.type == fs::file_type::not_found
                                                           ? fs::file_type::regular
                                                           : before.type);
        } else {
            EXPECT_FALSE(written);
            EXPECT_NE(error.find(c.writeFails), std::string::npos) << error;
            EXPECT_NE(error.find(PathToUtf8(file)), std::string::npos) << error;
            EXPECT_EQ(Take(file), before);
        }
        EXPECT_FALSE(fs::exists(SettingsFilePath(current)));  // never written there
        fs::remove_all(file);
        fs::remove(elsewhere);
    }
}

TEST_F(SettingsFileKinds, AFileAtTheBoundIsNotWrittenPastIt) {
    test::WriteBytes(home.file(), FileOfSize(kLargestSettingsFile));
    std::string error;
    ASSERT_TRUE(WriteSaveFolder(current, "/two", error)) << error;  // as long as /old
    EXPECT_EQ(fs::file_size(home.file()), kLargestSettingsFile);
    const auto before = test::ReadBytes(home.file());
    EXPECT_FALSE(WriteSaveFolder(current, "/longer", error));
    EXPECT_NE(error.find("would grow beyond 1048576 bytes"), std::string::npos) << error;
    EXPECT_EQ(test::ReadBytes(home.file()), before);
    EXPECT_EQ(ReadSaveFolder(current), "/two");
}

TEST(LocateSettingsFile, FollowsXdgConfigHomeOrTheHomeFolder) {
    test::TempDir dir;
    test::ScopedConfigHome home(dir.path());
    const fs::path inHome = home.home() / ".config" / "kvd2730" / "KVD2730.ini";
    const struct {
        std::optional<std::string> xdg;
        fs::path expected;
    } cases[] = {
        {home.config().string(), home.file()},
        {std::nullopt, inHome},
        {"", inHome},
        {"relative/config", inHome},  // the XDG rules have it ignored
    };
    for (const auto& c : cases) {
        home.xdg().Set(c.xdg);
        const SettingsLocation where = LocateSettingsFile(dir.path() / "current");
        EXPECT_EQ(where.readFrom, c.expected) << c.xdg.value_or("(unset)");
        EXPECT_EQ(where.writeTo, c.expected) << c.xdg.value_or("(unset)");
    }
}

TEST(LocateSettingsFile, TheCurrentFoldersFileIsReadUntilTheNewOneIsWritten) {
    test::TempDir dir;
    test::ScopedConfigHome home(dir.path());
    const fs::path current = dir.path() / "current";
    fs::create_directories(current);
    const fs::path old = SettingsFilePath(current);
    const std::string oldText = "; mine\n[KVD2730]\nGPS=/old\n\n[Other]\nx=1\n";
    test::WriteBytes(old, Bytes(oldText));
    EXPECT_EQ(LocateSettingsFile(current).readFrom, old);
    EXPECT_EQ(LocateSettingsFile(current).writeTo, home.file());
    EXPECT_EQ(ReadSaveFolder(current), "/old");

    std::string error;
    ASSERT_TRUE(WriteSaveFolder(current, "/new", error)) << error;
    // The new file starts from the old one, keeping its other keys and its encoding.
    EXPECT_EQ(test::ReadText(home.file()), "; mine\n[KVD2730]\nGPS=/new\n\n[Other]\nx=1\n");
    EXPECT_EQ(fs::status(home.file().parent_path()).permissions() & fs::perms::all,
              fs::perms::owner_all);
    EXPECT_EQ(test::ReadText(old), oldText);  // left for an older version to read
    EXPECT_EQ(LocateSettingsFile(current).readFrom, home.file());
    EXPECT_EQ(ReadSaveFolder(current), "/new");
}

TEST(LocateSettingsFile, AnUnreadableOldFileGivesAFreshNewOne) {
    test::TempDir dir;
    test::ScopedConfigHome home(dir.path());
    const fs::path current = dir.path() / "current";
    fs::create_directories(SettingsFilePath(current));  // a folder of that name
    EXPECT_EQ(ReadSaveFolder(current), PathToUtf8(current));
    std::string error;
    ASSERT_TRUE(WriteSaveFolder(current, "/new", error)) << error;
    EXPECT_EQ(ProfileText::Decode(test::ReadBytes(home.file())).Encoding(),
              ProfileEncoding::Utf16LeBom);
    EXPECT_EQ(ReadSaveFolder(current), "/new");
    EXPECT_TRUE(fs::is_directory(SettingsFilePath(current)));
}

TEST(WriteSaveFolder, SaysWhyTheSettingsFolderCannotBeMade) {
    test::TempDir dir;
    test::ScopedConfigHome home(dir.path());
    test::WriteBytes(home.config(), Bytes("a file where the folder should be"));
    std::string error;
    EXPECT_FALSE(WriteSaveFolder(dir.path(), "/new", error));
    EXPECT_EQ(error, "cannot create the folder " + PathToUtf8(home.config() / "kvd2730") +
                         " for the settings: " + ErrnoText(ENOTDIR));
    EXPECT_EQ(test::ReadText(home.config()), "a file where the folder should be");
}

}  // namespace
}  // namespace kvd
