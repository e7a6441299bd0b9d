#include "FrameSequence.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <stdexcept>

#include "Errors.h"

namespace fs = std::filesystem;

namespace {

constexpr long kLargestFrame = 999999999;

// A run of "#" and "@" characters: its width in digits.
int HashWidth(const std::string &text, size_t at, size_t *end)
{
    int width = 0;
    size_t i = at;
    for (; i < text.size() && (text[i] == '#' || text[i] == '@'); ++i) width += text[i] == '#' ? 4 : 1;
    *end = i;
    return width;
}

// A printf field "%d" or "%0Nd" at `at`: its width, or -1 when there is none.
int PrintfWidth(const std::string &text, size_t at, size_t *end)
{
    size_t i = at + 1;
    int width = 0;
    if (i < text.size() && text[i] == '0') {
        ++i;
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return -1;
    }
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        width = std::min(width * 10 + (text[i] - '0'), 100);
    if (i >= text.size() || text[i] != 'd') return -1;
    *end = i + 1;
    return width;
}

long ParseFrameNumber(const std::string &text, const std::string &whole)
{
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        throw UsageError("--frames takes frame numbers, ranges (1-240, 1-240x2) and lists (1,5,10-20), not \"" +
                         whole + "\"");
    errno = 0;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (errno != 0 || value > kLargestFrame)
        throw UsageError("--frames: frame numbers go up to " + std::to_string(kLargestFrame) + ", not " + text);
    return value;
}

}  // namespace

std::optional<FramePattern> FramePattern::Parse(const std::string &text)
{
    FramePattern pattern;
    pattern.text_ = text;
    bool found = false;
    std::string *part = &pattern.before_;
    for (size_t i = 0; i < text.size();) {
        size_t end = i;
        int width = -1;
        if (text.compare(i, 2, "%%") == 0) {
            *part += '%';
            i += 2;
            continue;
        }
        if (text[i] == '#' || text[i] == '@')
            width = HashWidth(text, i, &end);
        else if (text[i] == '%')
            width = PrintfWidth(text, i, &end);
        if (width < 0) {
            *part += text[i++];
            continue;
        }
        if (found) throw UsageError("\"" + text + "\" has more than one frame-number field");
        found = true;
        pattern.width_ = width;
        part = &pattern.after_;
        i = end;
    }
    if (!found) return std::nullopt;
    return pattern;
}

std::string FramePattern::name(long frame) const
{
    std::string digits = std::to_string(frame);
    if (static_cast<int>(digits.size()) < width_) digits.insert(0, static_cast<size_t>(width_) - digits.size(), '0');
    return before_ + digits + after_;
}

std::vector<long> FramePattern::framesOnDisk() const
{
    if (after_.find('/') != std::string::npos)
        throw UsageError("\"" + text_ + "\": the frame number must be in the file's name, not in a folder's");
    // The folder, and the part of the file's name before the number.
    const size_t slash = before_.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : slash == 0 ? "/" : before_.substr(0, slash);
    const std::string stem = before_.substr(slash == std::string::npos ? 0 : slash + 1);
    std::set<long> frames;
    std::error_code error;
    for (const fs::directory_entry &entry : fs::directory_iterator(folder.empty() ? "." : folder, error)) {
        const std::string file = entry.path().filename().string();
        if (file.size() <= stem.size() + after_.size() || file.compare(0, stem.size(), stem) != 0 ||
            file.compare(file.size() - after_.size(), after_.size(), after_) != 0)
            continue;
        const std::string digits = file.substr(stem.size(), file.size() - stem.size() - after_.size());
        if (digits.size() > 9 ||
            !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
            continue;
        const long frame = std::strtol(digits.c_str(), nullptr, 10);
        // Only the name this pattern gives the frame: "7" is not "0007".
        if (fs::path(name(frame)).filename().string() == file && !entry.is_directory(error)) frames.insert(frame);
    }
    if (error) throw std::runtime_error("cannot list " + (folder.empty() ? std::string(".") : folder) + ": " + error.message());
    return {frames.begin(), frames.end()};
}

std::vector<long> ParseFrameList(const std::string &text)
{
    std::vector<long> frames;
    std::set<long> seen;
    auto add = [&](long frame) {
        if (seen.insert(frame).second) frames.push_back(frame);
    };
    size_t start = 0;
    do {
        const size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        start = comma == std::string::npos ? std::string::npos : comma + 1;
        const size_t dash = item.find('-');
        if (dash == std::string::npos) {
            add(ParseFrameNumber(item, text));
            continue;
        }
        const size_t x = item.find('x', dash);
        const long first = ParseFrameNumber(item.substr(0, dash), text);
        const long last = ParseFrameNumber(item.substr(dash + 1, x == std::string::npos ? std::string::npos : x - dash - 1), text);
        const long step = x == std::string::npos ? 1 : ParseFrameNumber(item.substr(x + 1), text);
        if (step == 0) throw UsageError("--frames: a step of 0 in \"" + item + "\"");
        if (first <= last)
            for (long frame = first; frame <= last; frame += step) add(frame);
        else
            for (long frame = first; frame >= last; frame -= step) add(frame);
    } while (start != std::string::npos);
    return frames;
}

std::string DescribeFrames(std::vector<long> frames)
{
    std::sort(frames.begin(), frames.end());
    std::string text;
    for (size_t i = 0; i < frames.size();) {
        size_t j = i;
        while (j + 1 < frames.size() && frames[j + 1] == frames[j] + 1) ++j;
        text += (text.empty() ? "" : ",") + std::to_string(frames[i]) + (j > i ? "-" + std::to_string(frames[j]) : "");
        i = j + 1;
    }
    return text;
}
