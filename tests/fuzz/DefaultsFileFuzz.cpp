// Any bytes as the user's defaults file, then the host registers the
// controls: registration succeeds and every control starts inside its valid
// range, whatever the file holds.
#include <win32stub_control.h>

#include <filesystem>
#include <fstream>

#include "FuzzSession.h"

namespace {

// An application-data folder of the process's own, removed at exit.
class AppDataFolder {
public:
    AppDataFolder()
    {
        char pattern[] = "/tmp/sallow-fuzz-XXXXXX";
        if (mkdtemp(pattern) == nullptr) fuzz::Finding("cannot make a temporary folder");
        path_ = pattern;
        std::filesystem::create_directories(path_ + "/KORVA/Tavix");
        Win32Stub_SetAppDataFolder(path_.c_str());
    }
    ~AppDataFolder()
    {
        Win32Stub_SetAppDataFolder(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file() const { return path_ + "/KORVA/Tavix/K_Sallowmerine.ini"; }

private:
    std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static AppDataFolder appData;
    fuzz::Session &session = fuzz::Applied();
    {
        std::ofstream file(appData.file(), std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
        if (!file.flush()) fuzz::Finding("cannot write " + appData.file());
    }
    const fxhost::CommandResult result = session.effect.send(PF_Cmd_PARAMS_SETUP);
    fuzz::Check(result.err == PF_Err_NONE, "registration failed with " + std::to_string(result.err));
    fuzz::Check(session.effect.params().count() == 58, "not every control was registered");
    const std::string outside = fuzz::ControlOutOfRange(session.effect.params());
    fuzz::Check(outside.empty(), "\"" + outside + "\" starts outside its valid range");
    return 0;
}
