// The module answers the host's commands through EntryPointFunc alone.
#include <win32stub_control.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "ModuleFixture.h"

namespace {

class CommandTable : public ModuleTest {};

TEST_F(CommandTable, GlobalSetupDeclaresVersionAndFlags)
{
    fxhost::CommandResult result = effect->send(PF_Cmd_GLOBAL_SETUP);
    EXPECT_EQ(result.err, PF_Err_NONE);
    EXPECT_EQ(result.out.my_version, 0x00081608u);
    EXPECT_EQ(result.out.out_flags, 0x06000070);
    EXPECT_EQ(result.out.out_flags2, 0x00001419);
    EXPECT_EQ(result.out.global_data, nullptr);
}

TEST_F(CommandTable, CommandsWithoutWorkLeaveOutDataUntouched)
{
    effect->send(PF_Cmd_GLOBAL_SETUP);
    for (PF_Cmd cmd : {2, 10, 12, 16, 17, 19, 20, 21, 25, 100}) {
        PF_InData in_data;
        PF_ProgressInfo frame;
        host.prepareInData(in_data, &frame);
        PF_OutData out;
        std::memset(&out, 0xAB, sizeof out);
        PF_OutData before = out;
        EXPECT_EQ(module->call(cmd, &in_data, &out, nullptr, nullptr, nullptr), PF_Err_NONE) << cmd;
        EXPECT_EQ(std::memcmp(&out, &before, sizeof out), 0) << "selector " << cmd;
    }
}

TEST_F(CommandTable, DialogEventAndQueryCommandsSucceed)
{
    effect->apply();
    for (PF_Cmd cmd : {PF_Cmd_DO_DIALOG, PF_Cmd_QUERY_DYNAMIC_FLAGS, PF_Cmd_USER_CHANGED_PARAM, PF_Cmd_EVENT,
                       PF_Cmd_ARBITRARY_CALLBACK, PF_Cmd_UPDATE_PARAMS_UI})
        EXPECT_EQ(effect->send(cmd).err, PF_Err_NONE) << cmd;
}

TEST_F(CommandTable, FirstCommandOfAnyKindInitialises)
{
    fxhost::CommandResult result = effect->send(PF_Cmd_PARAMS_SETUP);
    EXPECT_EQ(result.err, PF_Err_NONE);
    EXPECT_EQ(result.out.num_params, 58);
    EXPECT_EQ(effect->params().count(), 58);
}

TEST_F(CommandTable, MissingBasicSuiteFailsEveryCommandWithItsCode)
{
    host.refuseBasicSuite(true);
    fxhost::CommandResult result = effect->send(PF_Cmd_GLOBAL_SETUP);
    EXPECT_EQ(result.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(result.message(), "error code = 516\nPF_Err_BAD_CALLBACK_PARAM");
    EXPECT_EQ(result.out.out_flags, 0);
}

TEST_F(CommandTable, AfterGlobalSetdownTheBaseBehaviourServes)
{
    effect->apply();
    EXPECT_EQ(effect->send(PF_Cmd_GLOBAL_SETDOWN).err, PF_Err_NONE);
    fxhost::World input(4, 4, PF_PixelFormat_ARGB32), output(4, 4, PF_PixelFormat_ARGB32);
    fxhost::RenderOptions classic;
    classic.smart = false;
    EXPECT_EQ(effect->render(input, output, classic).err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    // Setup is not run again: the registry of controls is still there.
    EXPECT_EQ(effect->send(PF_Cmd_PARAMS_SETUP).out.num_params, 58);
}

TEST_F(CommandTable, ModuleExportsEntryPointFuncAlone)
{
    std::string command = std::string("nm -D --defined-only ") + SALLOW_MODULE_PATH;
    FILE *pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string symbols;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        // Version-script tags are not symbols of the code.
        if (text.find(" A ") == std::string::npos) symbols += text.substr(text.rfind(' ') + 1);
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(symbols, "EntryPointFunc\n");
}

class AboutText : public ModuleTest {
protected:
    void TearDown() override
    {
        Win32Stub_SetCommandLine(nullptr);
        ModuleTest::TearDown();
    }

    std::string About(const char *commandLine, bool shift)
    {
        Win32Stub_SetCommandLine(commandLine);
        LoadModule();
        host.setShiftDown(shift);
        return effect->send(PF_Cmd_ABOUT).message();
    }
};

TEST_F(AboutText, NamesVersionAndStage)
{
    EXPECT_EQ(About("AfterFX.exe -L enus", false), "K_Sallowmerine 1.0.2 Release \r\r");
}

TEST_F(AboutText, ShiftAddsTheBuildNumber)
{
    EXPECT_EQ(About("AfterFX.exe -L enus", true), "K_Sallowmerine 1.0.2 Release build:8 \r\r");
}

TEST_F(AboutText, JapaneseUiShowsTheCreditLine)
{
    std::string text = About("AfterFX.exe -L jp", false);
    const std::string head = "K_Sallowmerine 1.0.2 Release \r\r";
    ASSERT_GT(text.size(), head.size());
    EXPECT_EQ(text.substr(0, head.size()), head);
}

TEST_F(AboutText, CodePage932WithoutSwitchIsJapanese)
{
    Win32Stub_SetCodePage(932);
    std::string japanese = About("AfterFX.exe", false);
    std::string english = About("AfterFX.exe -L ENUS", false);
    Win32Stub_SetCodePage(-1);
    EXPECT_GT(japanese.size(), english.size());
    EXPECT_EQ(english, "K_Sallowmerine 1.0.2 Release \r\r");
}

}  // namespace
