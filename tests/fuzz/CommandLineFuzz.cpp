// What a user types after --set, or writes into a --params file: either the
// value is refused with a usage error that names the fault, or every control
// ends inside its valid range; nothing else escapes and nothing crashes.
#include <unistd.h>

#include <fstream>

#include "ControlValues.h"
#include "FuzzSession.h"

namespace {

// A 4 x 4 picture for "@X,Y" colours.
PF_Pixel PixelAt(long x, long y)
{
    if (x < 0 || y < 0 || x >= 4 || y >= 4) throw UsageError("no such pixel");
    return {255, static_cast<A_u_char>(x * 60), static_cast<A_u_char>(y * 60), 7};
}

// The --params file of the process, removed at exit.
class ParamsFile {
public:
    ParamsFile()
    {
        char pattern[] = "/tmp/sallow-fuzz-params-XXXXXX";
        const int fd = mkstemp(pattern);
        if (fd < 0) fuzz::Finding("cannot make a temporary file");
        close(fd);
        path_ = pattern;
    }
    ~ParamsFile() { unlink(path_.c_str()); }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Session &session = fuzz::Applied();
    fxhost::ParamStore &params = session.effect.params();
    static const std::vector<PF_ParamDef> defaults = [&params] {
        std::vector<PF_ParamDef> defs;
        for (int i = 0; i < params.count(); ++i) defs.push_back(params.at(i));
        return defs;
    }();
    for (int i = 0; i < params.count(); ++i) params.at(i) = defaults[static_cast<size_t>(i)];

    static const ParamsFile paramsFile;
    fuzz::Reader in(data, size);
    const bool asParamsFile = in.byte() & 1;
    const std::vector<uint8_t> rest = in.rest();
    const std::string text(rest.begin(), rest.end());
    try {
        if (asParamsFile) {
            std::ofstream file(paramsFile.path(), std::ios::binary | std::ios::trunc);
            file.write(text.data(), static_cast<std::streamsize>(text.size()));
            if (!file.flush()) fuzz::Finding("cannot write " + paramsFile.path());
            file.close();
            ApplyParamsFile(session.effect, paramsFile.path());
        } else {
            ApplySetting(session.effect, text, PixelAt);
        }
    } catch (const UsageError &e) {
        fuzz::Check(std::strlen(e.what()) > 0, "a usage error without a message");
    }
    const std::string outside = fuzz::ControlOutOfRange(params);
    fuzz::Check(outside.empty(), "\"" + outside + "\" was set outside its valid range");
    fuzz::Check(params.at(1).u.pd.value != 2, "\"View\" was set to its separator line");
    return 0;
}
