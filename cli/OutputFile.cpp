#include "OutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "Errors.h"
#include "Interruption.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinks = 40;
constexpr size_t kChunk = 4 << 20;

std::string Reason(int error) { return std::strerror(error); }

// The file a chain of symbolic links ends at (which need not exist).
std::string FollowLinks(const std::string &path, const std::string &shown)
{
    fs::path current = path;
    for (int i = 0; i < kMaxLinks; ++i) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(current, error))) return current.string();
        const fs::path next = fs::read_symlink(current, error);
        if (error) throw std::runtime_error("cannot write " + shown + ": " + error.message());
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    throw std::runtime_error("cannot write " + shown + ": " + Reason(ELOOP));
}

// Writes every byte, checking for a signal between chunks.
bool WriteAll(int fd, const void *bytes, size_t size, bool checkSignals)
{
    const char *at = static_cast<const char *>(bytes);
    size_t offset = 0;
    while (offset < size) {
        if (checkSignals) Interruption::check();
        const size_t chunk = std::min(kChunk, size - offset);
        const ssize_t written = pwrite(fd, at + offset, chunk, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        offset += static_cast<size_t>(written);
    }
    return true;
}

// A temporary file beside the target, removed when it goes unless it was
// renamed into place; registered with Interruption meanwhile.
class TemporaryFile {
public:
    TemporaryFile(std::string path, mode_t mode) : path_(std::move(path)), pending_(Interruption::setPendingFile(path_))
    {
        fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd_ < 0) {
            Interruption::clearPendingFile(pending_);
            pending_ = -1;
        }
    }
    ~TemporaryFile()
    {
        const int error = errno;
        if (fd_ >= 0) ::close(fd_);
        if (created() && !renamed_) unlink(path_.c_str());
        Interruption::clearPendingFile(pending_);
        errno = error;
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    int fd() const { return fd_; }
    const std::string &path() const { return path_; }
    // Closes the file; false (with errno) when the close reports an error.
    bool close()
    {
        closed_ = true;
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }
    void renamed() { renamed_ = true; }

private:
    bool created() const { return fd_ >= 0 || closed_; }

    std::string path_;
    int pending_;
    int fd_ = -1;
    bool closed_ = false;
    bool renamed_ = false;
};

// The owner can only be kept by a privileged user, the group by a member of
// it; neither failure loses data, so neither stops the write.
void KeepOwnership(int fd, const struct stat &existing)
{
    if (fchown(fd, existing.st_uid, existing.st_gid) == 0) return;
    if (fchown(fd, static_cast<uid_t>(-1), existing.st_gid) == 0) return;
}

// Gives a file back its old length after a failed reservation.
void Truncate(int fd, off_t size)
{
    if (ftruncate(fd, size) == 0) return;
}

// Makes the rename durable; a folder that cannot be synced loses nothing.
void SyncFolder(const fs::path &folder)
{
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

void OutputFile::checkFolder(const std::string &path)
{
    if (path.empty() || path.back() == '/') throw UsageError("the output \"" + path + "\" names no file");
    const std::string target = FollowLinks(path, path);
    const fs::path folder = fs::path(target).parent_path().empty() ? fs::path(".") : fs::path(target).parent_path();
    struct stat folderStat {};
    if (stat(folder.c_str(), &folderStat) != 0)
        throw std::runtime_error("cannot write " + path + ": folder " + folder.string() + ": " + Reason(errno));
    if (!S_ISDIR(folderStat.st_mode))
        throw std::runtime_error("cannot write " + path + ": " + folder.string() + " is not a folder");
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        throw std::runtime_error("cannot write " + path + ": folder " + folder.string() + ": " + Reason(errno));
}

OutputFile::OutputFile(const std::string &path, const std::string &input, bool noClobber)
    : path_(path), target_(FollowLinks(path, path))
{
    checkFolder(path);
    struct stat found {};
    if (stat(target_.c_str(), &found) != 0) {
        if (errno != ENOENT) throw std::runtime_error("cannot write " + path + ": " + Reason(errno));
        return;
    }
    if (S_ISDIR(found.st_mode)) throw std::runtime_error("cannot write " + path + ": it is a folder");
    struct stat in {};
    if (!input.empty() && stat(input.c_str(), &in) == 0 && in.st_dev == found.st_dev && in.st_ino == found.st_ino)
        throw UsageError("the output " + path + " is the input file; sallow does not overwrite its input");
    if (noClobber) throw std::runtime_error(path + " exists; not replaced (--no-clobber)");
    // Even where the user could replace it (root, or a writable folder), a
    // file without write permission is one the user meant to keep.
    if (!S_ISREG(found.st_mode))
        throw std::runtime_error("cannot write " + path + ": it is not a regular file");
    if ((found.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(target_.c_str(), W_OK) != 0)
        throw std::runtime_error("cannot write " + path + ": it is write-protected; not replaced");
    existing_ = found;
}

void OutputFile::fail(const std::string &reason) const { throw std::runtime_error("cannot write " + path_ + ": " + reason); }

void OutputFile::commit(const void *bytes, size_t size) const
{
    if (existing_ && existing_->st_nlink > 1)
        rewriteInPlace(bytes, size);
    else
        replaceThroughTemporary(bytes, size);
}

void OutputFile::replaceThroughTemporary(const void *bytes, size_t size) const
{
    Interruption::check();
    const fs::path target(target_);
    TemporaryFile temporary(
        (target.parent_path() / (".sallow-" + std::to_string(getpid()) + "-" + target.filename().string())).string(),
        existing_ ? (existing_->st_mode & 07777) : 0666);
    if (temporary.fd() < 0) fail(Reason(errno));
    if (!WriteAll(temporary.fd(), bytes, size, true)) fail(Reason(errno));
    if (existing_) {
        KeepOwnership(temporary.fd(), *existing_);
        if (fchmod(temporary.fd(), existing_->st_mode & 07777) != 0) fail(Reason(errno));
    }
    if (fsync(temporary.fd()) != 0 || !temporary.close() || rename(temporary.path().c_str(), target_.c_str()) != 0)
        fail(Reason(errno));
    temporary.renamed();
    SyncFolder(target.parent_path());
}

void OutputFile::rewriteInPlace(const void *bytes, size_t size) const
{
    Interruption::check();
    // A rewrite in place cannot be undone half way.
    const Interruption::Hold held;
    const int fd = open(target_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) fail(Reason(errno));
    struct stat before {};
    if (fstat(fd, &before) != 0) {
        const int error = errno;
        close(fd);
        fail(Reason(error));
    }
    // Reserve the space first: a full disk then leaves the old contents whole.
    const int reserved = posix_fallocate(fd, 0, static_cast<off_t>(size));
    if (reserved != 0) {
        Truncate(fd, before.st_size);
        close(fd);
        fail(Reason(reserved));
    }
    if (!WriteAll(fd, bytes, size, false) || ftruncate(fd, static_cast<off_t>(size)) != 0 || fsync(fd) != 0) {
        const int error = errno;
        close(fd);
        fail(Reason(error));
    }
    if (close(fd) != 0) fail(Reason(errno));
}
