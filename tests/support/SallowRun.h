// Runs the sallow program as a user would, for end-to-end tests.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

struct CliRun {
    int status;          // the exit status; -1 when sallow did not exit normally
    std::string output;  // stdout and stderr together
};

// `arguments` as a shell would split them; in `folder` when one is named.
inline CliRun Sallow(const std::string &arguments, const std::string &folder = "")
{
    const std::string command =
        (folder.empty() ? "" : "cd '" + folder + "' && ") + std::string(SALLOW_CLI_PATH) + " " + arguments + " 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    CliRun run{-1, ""};
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, read);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

inline bool Contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

inline size_t LineCount(const std::string &text)
{
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <vector>

// sallow started as a child process, for tests that limit it or signal it
// while it runs.
class SallowProcess {
public:
    // `fileSizeLimit` > 0 sets RLIMIT_FSIZE in the child, as `ulimit -f` does.
    explicit SallowProcess(const std::vector<std::string> &arguments, long fileSizeLimit = 0)
    {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(pipeEnds[1], STDOUT_FILENO);
            dup2(pipeEnds[1], STDERR_FILENO);
            close(pipeEnds[0]);
            close(pipeEnds[1]);
            if (fileSizeLimit > 0) {
                const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            ::signal(SIGXFSZ, SIG_DFL);
            std::vector<std::string> all{SALLOW_CLI_PATH};
            all.insert(all.end(), arguments.begin(), arguments.end());
            std::vector<char *> argv;
            for (std::string &argument : all) argv.push_back(argument.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(pipeEnds[1]);
        output_ = pipeEnds[0];
    }
    ~SallowProcess()
    {
        if (output_ >= 0) close(output_);
        if (pid_ > 0 && !waited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    SallowProcess(const SallowProcess &) = delete;
    SallowProcess &operator=(const SallowProcess &) = delete;

    // Reads the output until it holds `text` or the process closes it.
    bool readUntil(const std::string &text)
    {
        char buffer[512];
        while (text_.find(text) == std::string::npos) {
            const ssize_t got = read(output_, buffer, sizeof buffer);
            if (got <= 0) return false;
            text_.append(buffer, static_cast<size_t>(got));
        }
        return true;
    }
    void signal(int number) { kill(pid_, number); }

    // Waits for the end: the exit status, or -N when signal N ended it.
    int wait()
    {
        readUntil(std::string(1, '\0'));
        int status = 0;
        waitpid(pid_, &status, 0);
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }
    const std::string &output() const { return text_; }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    bool waited_ = false;
    std::string text_;
};
