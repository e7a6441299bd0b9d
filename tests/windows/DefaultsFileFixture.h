// Module tests that read or write the Windows user's defaults file through
// the real private-profile and shell-folder functions. Each starts without
// the file (and never touches one it did not make) and removes what it made.
#pragma once

#include <shlobj.h>

#include <string>

#include "StoredDefaults.h"
#include "WindowsModule.h"

class DefaultsFileTest : public ModuleTest {
protected:
    void SetUp() override
    {
        ModuleTest::SetUp();
        char folder[MAX_PATH];
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE));
        appData = folder;
        korva = appData + "\\KORVA";
        tavix = korva + "\\Tavix";
        file = tavix + "\\K_Sallowmerine.ini";
        ASSERT_FALSE(Exists(file)) << file << " already exists; run the tests in a Wine prefix of their own";
        owned = true;
    }

    void TearDown() override
    {
        if (owned) {
            DeleteFileA(file.c_str());
            RemoveDirectoryA(tavix.c_str());
            RemoveDirectoryA(korva.c_str());
        }
        ModuleTest::TearDown();
    }

    static bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
    static bool IsFolder(const std::string &path)
    {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    // Writes an entry as the effect does, making the folder first.
    void Store(const char *key, const char *value)
    {
        const int created = SHCreateDirectoryExA(nullptr, tavix.c_str(), nullptr);
        ASSERT_TRUE(created == ERROR_SUCCESS || created == ERROR_ALREADY_EXISTS) << "error " << created;
        ASSERT_TRUE(WritePrivateProfileStringA("Version=1.0", key, value, file.c_str())) << key;
    }

    std::string ReadFile() const { return ReadText(file); }
    DefaultsEntries Entries() const { return ParseDefaults(ReadFile()); }

    std::string appData, korva, tavix, file;
    bool owned = false;
};
