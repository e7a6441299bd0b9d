// Private-profile (ini) files. Each call reads the whole file; a write builds
// the new text and replaces the file through a temporary file in the same
// folder, so a failure leaves the old file whole.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Internal.h"

namespace {

// Serialises this process's read-modify-write cycles on profile files.
std::mutex g_profileMutex;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor()
    {
        if (fd_ >= 0) ::close(fd_);
    }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

    // Closing can report a late write error, so it is checked.
    bool close()
    {
        int fd = std::exchange(fd_, -1);
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// A temporary file that is removed unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    ~TemporaryFile()
    {
        if (!path_.empty()) ::unlink(path_.c_str());
    }

    bool renameTo(const std::string &target)
    {
        if (::rename(path_.c_str(), target.c_str()) != 0) return false;
        path_.clear();
        return true;
    }

private:
    std::string path_;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string &text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool SameName(const std::string &a, const char *b) { return lstrcmpiA(a.c_str(), b) == 0; }

struct Line {
    enum class Kind { Other, Section, Entry };
    Kind kind = Kind::Other;
    std::string name;
    std::string value;
};

// A line is a section header "[name]", an entry "key=value", or anything
// else (blank, comment, text without '='), which is kept but not read.
Line Parse(const std::string &text)
{
    Line line;
    const std::string trimmed = Trim(text);
    if (trimmed.empty() || trimmed[0] == ';') return line;
    if (trimmed[0] == '[') {
        line.kind = Line::Kind::Section;
        line.name = Trim(trimmed.substr(1, trimmed.find(']') - 1));
        return line;
    }
    const size_t equals = trimmed.find('=');
    if (equals == std::string::npos) return line;
    line.kind = Line::Kind::Entry;
    line.name = Trim(trimmed.substr(0, equals));
    line.value = Trim(trimmed.substr(equals + 1));
    return line;
}

class Profile {
public:
    // Splits text into lines; the file's first line break sets the style of
    // the ones written back.
    explicit Profile(const std::string &text)
    {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
                if (lines_.empty() && end < text.size()) newline_ = "\r\n";
            }
            lines_.push_back(std::move(line));
            start = end + 1;
        }
    }

    std::string text() const
    {
        std::string text;
        for (const std::string &line : lines_) text += line + newline_;
        return text;
    }

    // The first entry of that name in the first section of that name that has
    // one, as Windows reads duplicates.
    std::optional<std::string> find(const char *section, const char *key) const
    {
        bool inSection = false;
        for (const std::string &text : lines_) {
            const Line line = Parse(text);
            if (line.kind == Line::Kind::Section)
                inSection = SameName(line.name, section);
            else if (inSection && line.kind == Line::Kind::Entry && SameName(line.name, key))
                return line.value;
        }
        return std::nullopt;
    }

    // Each change below answers whether the text changed.
    bool removeSection(const char *section)
    {
        bool inSection = false;
        return removeLinesIf([&](const Line &line) {
            if (line.kind == Line::Kind::Section) inSection = SameName(line.name, section);
            return inSection;
        });
    }

    bool removeEntry(const char *section, const char *key)
    {
        bool inSection = false;
        return removeLinesIf([&](const Line &line) {
            if (line.kind == Line::Kind::Section) inSection = SameName(line.name, section);
            return inSection && line.kind == Line::Kind::Entry && SameName(line.name, key);
        });
    }

    // Replaces the value of an existing entry, keeping its key's spelling;
    // else appends the entry after the last non-blank line of the section's
    // first occurrence; else appends the section at the end of the file.
    bool set(const char *section, const char *key, const char *value)
    {
        bool inSection = false;
        bool inFirstSection = false;
        bool seenSection = false;
        size_t insertAt = 0;
        for (size_t i = 0; i < lines_.size(); ++i) {
            const Line line = Parse(lines_[i]);
            if (line.kind == Line::Kind::Section) {
                inSection = SameName(line.name, section);
                inFirstSection = inSection && !seenSection;
                seenSection = seenSection || inSection;
                if (inFirstSection) insertAt = i + 1;
                continue;
            }
            if (!inSection) continue;
            if (line.kind == Line::Kind::Entry && SameName(line.name, key)) {
                std::string replaced = line.name + '=' + value;
                if (replaced == lines_[i]) return false;
                lines_[i] = std::move(replaced);
                return true;
            }
            if (inFirstSection && !Trim(lines_[i]).empty()) insertAt = i + 1;
        }
        const std::string entry = std::string(key) + '=' + value;
        if (seenSection) {
            lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
        } else {
            lines_.push_back('[' + std::string(section) + ']');
            lines_.push_back(entry);
        }
        return true;
    }

private:
    template <typename Predicate>
    bool removeLinesIf(Predicate remove)
    {
        std::vector<std::string> kept;
        for (std::string &text : lines_)
            if (!remove(Parse(text))) kept.push_back(std::move(text));
        const bool changed = kept.size() != lines_.size();
        lines_ = std::move(kept);
        return changed;
    }

    std::vector<std::string> lines_;
    std::string newline_ = "\n";
};

enum class ReadResult { Read, Missing, Failed };

ReadResult ReadWholeFile(const std::string &path, std::string &text)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    char buffer[4096];
    for (;;) {
        ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count == 0) return ReadResult::Read;
        if (count < 0) {
            if (errno == EINTR) continue;
            return ReadResult::Failed;
        }
        text.append(buffer, static_cast<size_t>(count));
    }
}

bool WriteAll(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t count = ::write(fd, text.data() + done, text.size() - done);
        if (count < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(count);
    }
    return true;
}

// Writes text to a new file beside path, then renames it over path. The
// temporary file gets the mode of the file it replaces; a new file gets the
// usual mode under the process's umask.
bool ReplaceFile(const std::string &path, const std::string &text)
{
    static std::atomic<unsigned> counter{0};
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    struct stat existing;
    const bool replacing = ::stat(path.c_str(), &existing) == 0;

    std::string temporaryPath;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporaryPath = folder + '.' + name + '.' + std::to_string(::getpid()) + '.' + std::to_string(counter++);
        fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    FileDescriptor file(fd);
    if (!file.valid()) return false;
    TemporaryFile temporary(temporaryPath);
    if (replacing && ::fchmod(file.get(), existing.st_mode & 07777) != 0) return false;
    if (!WriteAll(file.get(), text) || ::fsync(file.get()) != 0 || !file.close()) return false;
    return temporary.renameTo(path);
}

// Windows drops quotes that enclose a value when reading it.
std::string Unquote(const std::string &value)
{
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

std::optional<std::string> ReadValue(LPCSTR section, LPCSTR key, LPCSTR fileName)
{
    std::string text;
    if (ReadWholeFile(win32stub::NativePath(fileName), text) != ReadResult::Read) return std::nullopt;
    std::optional<std::string> value = Profile(text).find(section, key);
    if (value) return Unquote(*value);
    return value;
}

// Reads as Windows does: optional sign, decimal or "0x" hexadecimal digits up
// to the first other character, wrapping like a 32-bit unsigned number.
UINT ParseInteger(const std::string &text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    unsigned base = 10;
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
        base = 16;
        i += 2;
    }
    UINT value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            break;
        value = value * base + digit;
    }
    return negative ? 0u - value : value;
}

}  // namespace

extern "C" UINT WINAPI GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int defaultValue, LPCSTR fileName)
{
    if (section == nullptr || key == nullptr || fileName == nullptr) return static_cast<UINT>(defaultValue);
    std::lock_guard<std::mutex> lock(g_profileMutex);
    const std::optional<std::string> value = ReadValue(section, key, fileName);
    // Windows also falls back to the default for an entry with an empty value.
    if (!value || value->empty()) return static_cast<UINT>(defaultValue);
    return ParseInteger(*value);
}

// Listing the sections (null section) or a section's keys (null key) is not
// supported: such a call answers an empty list.
extern "C" DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText,
                                                 LPSTR buffer, DWORD size, LPCSTR fileName)
{
    if (buffer == nullptr || size == 0) return 0;
    buffer[0] = '\0';
    if (section == nullptr || key == nullptr) {
        if (size > 1) buffer[1] = '\0';
        return 0;
    }
    std::optional<std::string> value;
    if (fileName != nullptr) {
        std::lock_guard<std::mutex> lock(g_profileMutex);
        value = ReadValue(section, key, fileName);
    }
    if (!value) {
        // Windows drops the default's trailing blanks.
        value = defaultText ? std::string(defaultText) : std::string();
        while (!value->empty() && IsBlank(value->back())) value->pop_back();
    }
    const size_t count = std::min<size_t>(value->size(), size - 1);
    std::memcpy(buffer, value->data(), count);
    buffer[count] = '\0';
    return static_cast<DWORD>(count);
}

// A null value removes the entry, a null key the whole section. Removing
// from a file that does not exist succeeds without creating it.
extern "C" BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName)
{
    // With everything null Windows flushes its cache; there is none here.
    if (section == nullptr) return key == nullptr && value == nullptr;
    if (fileName == nullptr) return FALSE;
    const std::string path = win32stub::NativePath(fileName);
    std::lock_guard<std::mutex> lock(g_profileMutex);
    std::string text;
    if (ReadWholeFile(path, text) == ReadResult::Failed) return FALSE;
    Profile profile(text);
    bool changed;
    if (key == nullptr)
        changed = profile.removeSection(section);
    else if (value == nullptr)
        changed = profile.removeEntry(section, key);
    else
        changed = profile.set(section, key, value);
    if (!changed) return TRUE;
    return ReplaceFile(path, profile.text());
}
