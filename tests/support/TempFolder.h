// A fresh folder under /tmp, removed with its contents when it goes.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/sallow-test-XXXXXX";
        if (mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot make a temporary folder");
        path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::string &path() const { return path_; }
    std::string Path(const std::string &name) const { return path_ + "/" + name; }

    static void WriteText(const std::string &path, const std::string &text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string ReadText(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string path_;
};

class TempFolderTest : public ::testing::Test {
protected:
    std::string Path(const std::string &name) const { return temp_.Path(name); }
    static void WriteText(const std::string &path, const std::string &text) { TempFolder::WriteText(path, text); }
    static std::string ReadText(const std::string &path) { return TempFolder::ReadText(path); }

    TempFolder temp_;
    const std::string folder_ = temp_.path();
};
