#include <dlfcn.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <stdlib.h>
#include <windows.h>

#include <cstring>
#include <optional>
#include <string>

#include "ScopedCodePage.h"
#include "TempFolder.h"

namespace {

// Sets or unsets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value) : name_(name)
    {
        if (const char *old = getenv(name)) old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char *name_;
    std::optional<std::string> old_;
};

class ShellTest : public TempFolderTest {
protected:
    std::string AppData()
    {
        char path[MAX_PATH] = "stale";
        return SHGetSpecialFolderPathA(nullptr, path, CSIDL_APPDATA, FALSE) ? path : "FALSE";
    }
};

TEST_F(ShellTest, AppDataIsXdgConfigHomeElseHomeConfig)
{
    ScopedEnv home("HOME", "/home/someone/");
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg/config/");
        EXPECT_EQ(AppData(), "/xdg/config");
    }
    for (const char *ignored : {"", "relative/config"}) {
        ScopedEnv xdg("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(AppData(), "/home/someone/.config");
    }
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    {
        ScopedEnv noHome("HOME", nullptr);
        EXPECT_EQ(AppData(), "FALSE");
    }
    ScopedEnv longHome("HOME", ("/" + std::string(MAX_PATH, 'h')).c_str());
    EXPECT_EQ(AppData(), "FALSE");
    char path[MAX_PATH];
    EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, path, 0x0005, FALSE));
}

TEST_F(ShellTest, AppDataIsCreatedOnRequest)
{
    ScopedEnv xdg("XDG_CONFIG_HOME", Path("a/config").c_str());
    EXPECT_EQ(AppData(), Path("a/config"));
    EXPECT_FALSE(std::filesystem::exists(Path("a")));
    char path[MAX_PATH];
    EXPECT_TRUE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_APPDATA, TRUE));
    EXPECT_TRUE(std::filesystem::is_directory(Path("a/config")));
}

TEST_F(ShellTest, CreateDirectoryMakesEveryLevel)
{
    const std::string nested = folder_ + "\\one\\two/three\\";
    EXPECT_EQ(SHCreateDirectoryExA(nullptr, nested.c_str(), nullptr), ERROR_SUCCESS);
    EXPECT_TRUE(std::filesystem::is_directory(Path("one/two/three")));
    EXPECT_EQ(SHCreateDirectoryExA(nullptr, nested.c_str(), nullptr), ERROR_ALREADY_EXISTS);

    WriteText(Path("file"), "x");
    EXPECT_EQ(SHCreateDirectoryExA(nullptr, Path("file").c_str(), nullptr), ERROR_FILE_EXISTS);
    EXPECT_EQ(SHCreateDirectoryExA(nullptr, Path("file/sub").c_str(), nullptr), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(SHCreateDirectoryExA(nullptr, "relative\\folder", nullptr), ERROR_BAD_PATHNAME);
}

TEST_F(ShellTest, DeletesFilesAndOnlyEmptyFolders)
{
    std::filesystem::create_directories(Path("full/empty"));
    WriteText(Path("full/file"), "x");
    EXPECT_FALSE(DeleteFileA(Path("full\\empty").c_str()));
    EXPECT_TRUE(DeleteFileA((folder_ + "\\full\\file").c_str()));
    EXPECT_FALSE(DeleteFileA(Path("full/file").c_str()));

    EXPECT_FALSE(RemoveDirectoryA(Path("full").c_str()));
    EXPECT_TRUE(RemoveDirectoryA((folder_ + "\\full\\empty").c_str()));
    EXPECT_TRUE(RemoveDirectoryA(Path("full").c_str()));
    EXPECT_FALSE(RemoveDirectoryA(Path("full").c_str()));
}

// The path left and whether anything was removed, as "path|1".
std::string RemoveFileSpec(const char *path)
{
    char buffer[MAX_PATH];
    std::strcpy(buffer, path);
    const BOOL removed = PathRemoveFileSpecA(buffer);
    return std::string(buffer) + '|' + std::to_string(removed);
}

TEST(PathRemoveFileSpecTest, RemovesLastElementButKeepsRoots)
{
    EXPECT_EQ(RemoveFileSpec("C:\\a\\b"), "C:\\a|1");
    EXPECT_EQ(RemoveFileSpec("C:\\a"), "C:\\|1");
    EXPECT_EQ(RemoveFileSpec("C:\\"), "C:\\|0");
    EXPECT_EQ(RemoveFileSpec("C:\\a\\"), "C:\\a|1");
    EXPECT_EQ(RemoveFileSpec("/x/y"), "/x|1");
    EXPECT_EQ(RemoveFileSpec("/x"), "/|1");
    EXPECT_EQ(RemoveFileSpec("/"), "/|0");
    EXPECT_EQ(RemoveFileSpec("/home/u/.config\\KORVA"), "/home/u/.config|1");
    EXPECT_EQ(RemoveFileSpec("name"), "|1");
    EXPECT_EQ(RemoveFileSpec(""), "|0");
}

TEST(PathRemoveFileSpecTest, SkipsBackslashTrailBytesInCodePage932)
{
    // 0x95 0x5C is one Shift_JIS character whose second byte is a backslash.
    {
        ScopedCodePage shiftJis(932);
        EXPECT_EQ(RemoveFileSpec("C:\\dir\\\x95\x5C"), "C:\\dir|1");
    }
    ScopedCodePage singleByte(0);
    EXPECT_EQ(RemoveFileSpec("C:\\dir\\\x95\x5C"), "C:\\dir\\\x95|1");
}

// A module's handle is its base address, as DllMain receives it.
HMODULE BaseAddressOf(const void *address)
{
    Dl_info info{};
    return dladdr(address, &info) ? static_cast<HMODULE>(info.dli_fbase) : nullptr;
}

TEST(GetModuleHandleTest, FindsOnlyLoadedModules)
{
    EXPECT_EQ(GetModuleHandleA(nullptr), BaseAddressOf(reinterpret_cast<const void *>(&BaseAddressOf)));
    // Looked up through libc's own handle, so that a sanitizer's interceptor does not answer.
    void *libc = dlopen("libc.so.6", RTLD_NOLOAD | RTLD_LAZY);
    ASSERT_NE(libc, nullptr);
    EXPECT_EQ(GetModuleHandleA("libc.so.6"), BaseAddressOf(dlsym(libc, "printf")));
    dlclose(libc);
    EXPECT_EQ(GetModuleHandleA("libwin32stub-not-there.so"), nullptr);
}

}  // namespace
