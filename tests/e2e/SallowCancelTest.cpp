// Ctrl-C during a render cancels the frame through the host's progress
// callback: sallow stops with the cancel code and writes no file.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "ImageFile.h"
#include "TempFolder.h"

extern char **environ;

namespace {

class SallowCancel : public TempFolderTest {};

TEST_F(SallowCancel, InterruptEndsTheFrameAndWritesNothing)
{
    // A large, slow blur over the whole frame, so that the render is still
    // running when the interrupt arrives.
    fxhost::World frame(1280, 720, PF_PixelFormat_ARGB32);
    for (A_long y = 0; y < frame.height(); ++y)
        for (A_long x = 0; x < frame.width(); ++x)
            frame.at<PF_Pixel8>(x, y) = {255, 3, static_cast<A_u_char>(170 + (x + y) % 20), 245};
    const std::string input = Path("in.png"), output = Path("out.png");
    WriteImage(input, frame, FileDepth::Eight);

    int errors[2];
    ASSERT_EQ(pipe(errors), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, errors[0]);
    const std::string cli = SALLOW_CLI_PATH;
    std::string args[] = {cli, "render", input, output, "--progress", "--set", "Color 1 Range=20",
                          "--set", "Blur Amount=1000", "--set", "Blur Repeat Num=10"};
    char *argv[sizeof args / sizeof args[0] + 1] = {};
    for (size_t i = 0; i < sizeof args / sizeof args[0]; ++i) argv[i] = args[i].data();
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, cli.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(errors[1]);

    // The frame's progress line shows it under way.
    std::string seen;
    char buffer[256];
    ssize_t read_;
    while (seen.find("1280x720") == std::string::npos && (read_ = read(errors[0], buffer, sizeof buffer)) > 0)
        seen.append(buffer, static_cast<size_t>(read_));
    kill(child, SIGINT);
    while ((read_ = read(errors[0], buffer, sizeof buffer)) > 0) seen.append(buffer, static_cast<size_t>(read_));
    close(errors[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);

    ASSERT_TRUE(WIFEXITED(status)) << seen;
    EXPECT_EQ(WEXITSTATUS(status), 130) << seen;
    EXPECT_NE(seen.find("PF_Interrupt_CANCEL"), std::string::npos) << seen;
    EXPECT_FALSE(std::filesystem::exists(output));
}

}  // namespace
