// What every fuzz target shares: one emulated host with the effect module
// loaded and applied once per process, and the check that ends the run with
// a finding when an input breaks a promise of the effect.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fxhost/Effect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace fuzz {

// The name of the input being tried, when a replay knows it.
inline std::string &CurrentInput()
{
    static std::string name;
    return name;
}

// A broken promise: libFuzzer keeps the input that led here, and the corpus
// replay test fails on it.
[[noreturn]] inline void Finding(const std::string &what)
{
    std::fprintf(stderr, "finding%s%s: %s\n", CurrentInput().empty() ? "" : " in ", CurrentInput().c_str(),
                 what.c_str());
    std::abort();
}

inline void Check(bool holds, const std::string &what)
{
    if (!holds) Finding(what);
}

// The module loaded into a host and the effect applied once.
struct Session {
    Session()
    {
        host.setModulePath(SALLOW_MODULE_PATH);
        effect.apply();
    }

    fxhost::Host host;
    fxhost::Module module{SALLOW_MODULE_PATH};
    fxhost::Effect effect{host, module};
};

// The session of this process, made on first use.
inline Session &Applied()
{
    static Session *session = new Session;
    return *session;
}

// The input read front to back; past its end every read gives zeros.
class Reader {
public:
    Reader(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint16_t word() { return static_cast<uint16_t>(byte() | byte() << 8); }
    // What is left, from here to the end.
    std::vector<uint8_t> rest()
    {
        std::vector<uint8_t> bytes(data_ + at_, data_ + size_);
        at_ = size_;
        return bytes;
    }

private:
    const uint8_t *data_;
    size_t size_;
    size_t at_ = 0;
};

// The name of the first control whose value lies outside its valid range;
// empty when there is none. A checkbox is on for any non-zero value.
inline std::string ControlOutOfRange(const fxhost::ParamStore &params)
{
    for (int i = 1; i < params.count(); ++i) {
        const PF_ParamDef &def = params.at(i);
        bool inside = true;
        switch (def.param_type) {
        case PF_Param_FLOAT_SLIDER:
            inside = def.u.fs_d.value >= def.u.fs_d.valid_min && def.u.fs_d.value <= def.u.fs_d.valid_max;
            break;
        case PF_Param_SLIDER: inside = def.u.sd.value >= def.u.sd.valid_min && def.u.sd.value <= def.u.sd.valid_max; break;
        case PF_Param_POPUP: inside = def.u.pd.value >= 1 && def.u.pd.value <= def.u.pd.num_choices; break;
        case PF_Param_COLOR: inside = def.u.cd.value.alpha == 255; break;
        default: break;
        }
        if (!inside) return def.name;
    }
    return "";
}

}  // namespace fuzz
