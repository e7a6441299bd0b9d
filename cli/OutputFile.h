// A file sallow is about to write: checked before any work is done, then
// written whole or not at all.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <optional>
#include <string>

class OutputFile {
public:
    // Checks `path` as the output of a command that reads `input` (empty for
    // none): its folder must exist; it must not be a folder, the input itself
    // (the same device and inode), a file the user may not write, or, with
    // `noClobber`, any existing file. A symbolic link is followed to the file
    // it names. Throws UsageError or std::runtime_error.
    OutputFile(const std::string &path, const std::string &input, bool noClobber);

    // Checks only that `path` names a file in a folder the user may write.
    static void checkFolder(const std::string &path);

    // Writes the bytes to a temporary file beside the target and renames it
    // into place. An existing file keeps its mode and group (and its owner
    // where sallow may set it); one with several hard links is rewritten in
    // place, after its space is reserved, so that every link sees the new
    // contents. Throws std::runtime_error naming the cause, or Cancelled when
    // a signal arrives first; the temporary file never stays behind.
    void commit(const void *bytes, size_t size) const;

    const std::string &path() const { return path_; }

private:
    void replaceThroughTemporary(const void *bytes, size_t size) const;
    void rewriteInPlace(const void *bytes, size_t size) const;
    [[noreturn]] void fail(const std::string &reason) const;

    std::string path_;    // as the user wrote it, for messages
    std::string target_;  // the file to replace, past any symbolic links
    std::optional<struct stat> existing_;
};
