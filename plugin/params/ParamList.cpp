// The effect's 57 controls, created in host order.
#include <cstddef>
#include <memory>

#include "params/ParamList.h"
#include "params/ParamRegistry.h"

namespace {

using namespace ParamIds;

const char kViewChoices[] = "Normal|(-|Extract|Base|Process 1|Process 2|Process 3|Process 4|";
constexpr A_short kViewChoiceCount = 8;
constexpr PF_Pixel kDefaultColour = {255, 3, 180, 245};
constexpr FloatRange kBlurRange = {0.0f, 1000.0f, 0.0f, 100.0f};
constexpr FloatRange kColourRange = {0.0f, 100.0f, 0.0f, 50.0f};
constexpr FloatRange kBiasRange = {0.0f, 100.0f, 0.0f, 10.0f};
constexpr IntRange kRepeatRange = {1, 10, 1, 10};
constexpr A_long kDefaultRepeat = 5;
constexpr float kDefaultBlur = 10.0f;

const char *const kBaseKeyNames[4][3] = {
    {"Enable 1", "Color 1", "Color 1 Range"},
    {"Enable 2", "Color 2", "Color 2 Range"},
    {"Enable 3", "Color 3", "Color 3 Range"},
    {"Enable 4", "Color 4", "Color 4 Range"},
};

struct ProcessNames {
    const char *group, *enable, *colour, *range, *boundaryBlur, *repeat, *bias, *keepDivision, *keepProcess;
};
const ProcessNames kProcessNames[5] = {
    {},
    {"Process 1", "1 : Enable Process", "1 : Color", "1 : Color Range", "1 : Boundary Blur",
     "1 : Blur Repeat Num", "1 : Boundary Bias", "1 : Keep Division", nullptr},
    {"Process 2", "2 : Enable Process", "2 : Color", "2 : Color Range", "2 : Boundary Blur",
     "2 : Blur Repeat Num", "2 : Boundary Bias", "2 : Keep Division", "2 : Keep Process"},
    {"Process 3", "3 : Enable Process", "3 : Color", "3 : Color Range", "3 : Boundary Blur",
     "3 : Blur Repeat Num", "3 : Boundary Bias", "3 : Keep Division", "3 : Keep Process"},
    {"Process 4", "4 : Enable Process", "4 : Color", "4 : Color Range", "4 : Boundary Blur",
     "4 : Blur Repeat Num", "4 : Boundary Bias", "4 : Keep Division", "4 : Keep Process"},
};

A_long BlockOffset(int block) { return static_cast<A_long>(offsetof(ParamSnapshot, blocks) + block * sizeof(ProcessParams)); }
A_long FieldOffset(int block, size_t field) { return BlockOffset(block) + static_cast<A_long>(field); }
A_long KeyFieldOffset(int block, int key, size_t field)
{
    return FieldOffset(block, offsetof(ProcessParams, keys) + key * sizeof(KeyColorParams) + field);
}

class ListBuilder {
public:
    explicit ListBuilder(ParamRegistry &registry) : registry_(registry)
    {
        valueTemplate_.flags = PF_ParamFlag_START_COLLAPSED;
    }

    void Popup(const char *name, A_long id, A_long offset)
    {
        Add(std::make_unique<ParamAddPopup>(name, id, offset, valueTemplate_, kViewChoiceCount, 1, kViewChoices));
    }
    void Checkbox(const char *name, A_long id, A_long offset, bool on)
    {
        Add(std::make_unique<ParamAddCheckbox>(name, id, offset, valueTemplate_, "", on, 0));
    }
    void FloatSlider(const char *name, A_long id, A_long offset, FloatRange range, float value,
                     A_short displayFlags)
    {
        Add(std::make_unique<ParamAddFloatSlider>(name, id, offset, valueTemplate_, range, value, 1, displayFlags,
                                                  false));
    }
    void Slider(const char *name, A_long id, A_long offset, IntRange range, A_long value)
    {
        Add(std::make_unique<ParamAddSlider>(name, id, offset, valueTemplate_, range, value));
    }
    void Colour(const char *name, A_long id, A_long offset)
    {
        Add(std::make_unique<ParamAddColor>(name, id, offset, valueTemplate_, kDefaultColour));
    }
    void GroupStart(const char *name, A_long id) { Add(std::make_unique<ParamAddTopic>(name, id, groupTemplate_)); }
    void GroupEnd(A_long id) { Add(std::make_unique<ParamEndTopic>(id)); }

    // Groups after this point start collapsed.
    void CollapseLaterGroups() { groupTemplate_ = valueTemplate_; }

private:
    void Add(std::unique_ptr<BaseParam> param) { registry_.Add(std::move(param)); }

    ParamRegistry &registry_;
    PF_ParamDef valueTemplate_{};
    PF_ParamDef groupTemplate_{};
};

void AddBaseGroup(ListBuilder &list)
{
    const A_long g = kBaseGroup;
    list.GroupStart("Base", g + kGroupStart);
    list.FloatSlider("Blur Amount", g + kBlurAmount, FieldOffset(0, offsetof(ProcessParams, blurAmount)),
                     kBlurRange, kDefaultBlur, PF_ValueDisplayFlag_NONE);
    list.Slider("Blur Repeat Num", g + kBlurRepeat, FieldOffset(0, offsetof(ProcessParams, repeatCount)),
                kRepeatRange, kDefaultRepeat);
    list.Checkbox("Keep Division", g + kKeepDivision, FieldOffset(0, offsetof(ProcessParams, keepDivision)), true);
    for (int k = 0; k < 4; ++k) {
        list.Checkbox(kBaseKeyNames[k][0], g + KeyEnable(k), KeyFieldOffset(0, k, offsetof(KeyColorParams, enable)),
                      k == 0);
        list.Colour(kBaseKeyNames[k][1], g + KeyColour(k), KeyFieldOffset(0, k, offsetof(KeyColorParams, color)));
        list.FloatSlider(kBaseKeyNames[k][2], g + KeyRange(k), KeyFieldOffset(0, k, offsetof(KeyColorParams, range)),
                         kColourRange, 0.0f, PF_ValueDisplayFlag_PERCENT);
    }
    list.GroupEnd(g + kGroupEnd);
}

void AddProcessGroup(ListBuilder &list, int n)
{
    const A_long g = kProcessGroup[n];
    const ProcessNames &names = kProcessNames[n];
    list.GroupStart(names.group, g + kGroupStart);
    list.Checkbox(names.enable, g + kEnableProcess, FieldOffset(n, offsetof(ProcessParams, enableProcess)), n == 1);
    list.Colour(names.colour, g + KeyColour(0), KeyFieldOffset(n, 0, offsetof(KeyColorParams, color)));
    list.FloatSlider(names.range, g + KeyRange(0), KeyFieldOffset(n, 0, offsetof(KeyColorParams, range)),
                     kColourRange, 0.0f, PF_ValueDisplayFlag_PERCENT);
    list.FloatSlider(names.boundaryBlur, g + kBoundaryBlur, FieldOffset(n, offsetof(ProcessParams, boundaryBlur)),
                     kBlurRange, kDefaultBlur, PF_ValueDisplayFlag_NONE);
    list.Slider(names.repeat, g + kBlurRepeat, FieldOffset(n, offsetof(ProcessParams, repeatCount)), kRepeatRange,
                kDefaultRepeat);
    list.FloatSlider(names.bias, g + kBoundaryBias, FieldOffset(n, offsetof(ProcessParams, boundaryBias)),
                     kBiasRange, 0.0f, PF_ValueDisplayFlag_NONE);
    list.Checkbox(names.keepDivision, g + kKeepDivision, FieldOffset(n, offsetof(ProcessParams, keepDivision)),
                  true);
    if (names.keepProcess)
        list.Checkbox(names.keepProcess, g + kKeepProcess, FieldOffset(n, offsetof(ProcessParams, keepProcess)),
                      true);
    list.GroupEnd(g + kGroupEnd);
}

}  // namespace

void ParamRegistry::ParamsSetup()
{
    Release();
    ListBuilder list(*this);
    list.Popup("View", kView, static_cast<A_long>(offsetof(ParamSnapshot, view)));
    AddBaseGroup(list);
    for (int n = 1; n <= 4; ++n) {
        AddProcessGroup(list, n);
        if (n == 1) list.CollapseLaterGroups();
    }
    Sort();
}
