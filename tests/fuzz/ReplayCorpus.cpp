// A fuzz target as a plain test: every input of its committed corpus, so that
// an input that once found a fault is tried again by every build.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "FuzzSession.h"

TEST(Corpus, EveryInputKeepsTheTargetsPromises)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (const fs::directory_entry &entry : fs::directory_iterator(SALLOW_FUZZ_CORPUS))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << "no corpus in " << SALLOW_FUZZ_CORPUS;
    for (const fs::path &file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        fuzz::CurrentInput() = file.filename().string();
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    fuzz::CurrentInput().clear();
}
