#include "params/BaseParam.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "AE_EffectCB.h"
#include "EffectIdentity.h"
#include "defaults/DefaultsFile.h"

namespace {

constexpr float kCurveTolerance = 0.05f;

// A value outside [low, high] becomes the nearer end; one that compares with
// nothing (NaN) becomes low.
template <class T, class Limit>
void Clamp(void *value, Limit low, Limit high)
{
    T v;
    std::memcpy(&v, value, sizeof v);
    if (!(v >= static_cast<T>(low))) v = static_cast<T>(low);
    if (v > static_cast<T>(high)) v = static_cast<T>(high);
    std::memcpy(value, &v, sizeof v);
}
constexpr size_t kKeyBufferSize = 1024;

// Whether user defaults apply at all for this registration.
bool UsesStoredDefault(const PF_InData *in_data, const char *iniPath)
{
    return iniPath != nullptr && !EffectIdentity::IsOldAfterEffects(in_data);
}

}  // namespace

BaseParam::BaseParam(const char *name, A_long diskId, A_long snapshotOffset, A_long snapshotSize,
                     const PF_ParamDef &setupTemplate)
    : def_(setupTemplate), name_(name), diskId_(diskId), snapshotOffset_(snapshotOffset), snapshotSize_(snapshotSize)
{
}

PF_Err BaseParam::ReadValue(ParamSnapshot *snapshot, ParamGetter &reader) const
{
    if (snapshotSize_ == 0) return PF_Err_NONE;
    ParamGetter::Slot &slot = reader.SlotFor(index_);
    PF_Err err = reader.CheckoutParam(index_, &slot.def);
    if (err != PF_Err_NONE) return err;
    slot.held = true;
    if (snapshot != nullptr) {
        char *value = reinterpret_cast<char *>(snapshot) + snapshotOffset_;
        std::memcpy(value, &slot.def.u, snapshotSize_);
        KeepInRange(value);
    }
    return PF_Err_NONE;
}

void BaseParam::KeepInRange(void *) const {}

PF_Err BaseParam::CheckIn(ParamGetter &reader) const
{
    if (snapshotSize_ == 0) return PF_Err_NONE;
    ParamGetter::Slot &slot = reader.SlotFor(index_);
    // A control whose read failed or never ran has nothing to hand back.
    if (!slot.held) return PF_Err_NONE;
    slot.held = false;
    return reader.CheckinParam(&slot.def);
}

bool BaseParam::SaveDefault(const char *, const PF_ParamDef &) const { return true; }

void BaseParam::PrepareDefinition(PF_InData *in_data, PF_ParamType type, A_long diskId)
{
    def_.param_type = type;
    if (name_ != nullptr) in_data->utils->ansi.strcpy(def_.name, name_);
    def_.uu.id = diskId;
}

PF_Err BaseParam::AddDefinition(PF_InData *in_data)
{
    return in_data->inter.add_param(in_data->effect_ref, -1, &def_);
}

ParamAddTopic::ParamAddTopic(const char *name, A_long diskId, const PF_ParamDef &setupTemplate)
    : BaseParam(name, diskId, 0, 0, setupTemplate)
{
}

PF_Err ParamAddTopic::AddToHost(PF_InData *in_data, A_long diskId, const char *)
{
    PrepareDefinition(in_data, PF_Param_GROUP_START, diskId);
    return AddDefinition(in_data);
}

ParamEndTopic::ParamEndTopic(A_long diskId) : BaseParam(nullptr, diskId, 0, 0, PF_ParamDef{}) {}

PF_Err ParamEndTopic::AddToHost(PF_InData *in_data, A_long diskId, const char *)
{
    PrepareDefinition(in_data, PF_Param_GROUP_END, diskId);
    return AddDefinition(in_data);
}

bool IntegerParam::SaveDefault(const char *iniPath, const PF_ParamDef &current) const
{
    if (iniPath == nullptr) return true;
    return DefaultsFile::WriteInteger(iniPath, name(), current.u.sd.value);
}

ParamAddPopup::ParamAddPopup(const char *name, A_long diskId, A_long snapshotOffset,
                             const PF_ParamDef &setupTemplate, A_short numChoices, A_short defaultChoice,
                             const char *choices)
    : IntegerParam(name, diskId, snapshotOffset, sizeof(PF_ParamValue), setupTemplate),
      numChoices_(numChoices), defaultChoice_(defaultChoice), choices_(choices)
{
}

void ParamAddPopup::KeepInRange(void *value) const { Clamp<PF_ParamValue, A_long>(value, 1, numChoices_); }

PF_Err ParamAddPopup::AddToHost(PF_InData *in_data, A_long diskId, const char *iniPath)
{
    A_short choice = defaultChoice_;
    if (UsesStoredDefault(in_data, iniPath)) {
        choice = static_cast<A_short>(DefaultsFile::ReadInteger(iniPath, name(), defaultChoice_));
        // A stored choice the popup does not have would make the host refuse
        // the control, and with it the whole effect.
        if (choice < 1 || choice > numChoices_) choice = defaultChoice_;
    }
    PrepareDefinition(in_data, PF_Param_POPUP, diskId);
    def_.u.pd.value = choice;
    def_.u.pd.dephault = choice;
    def_.u.pd.num_choices = numChoices_;
    def_.u.pd.u.namesptr = choices_;
    return AddDefinition(in_data);
}

ParamAddCheckbox::ParamAddCheckbox(const char *name, A_long diskId, A_long snapshotOffset,
                                   const PF_ParamDef &setupTemplate, const char *text, bool defaultOn,
                                   A_long extraFlags)
    : IntegerParam(name, diskId, snapshotOffset, 1, setupTemplate), text_(text), default_(defaultOn ? 1 : 0),
      extraFlags_(extraFlags)
{
}

PF_Err ParamAddCheckbox::AddToHost(PF_InData *in_data, A_long diskId, const char *iniPath)
{
    A_long value = default_;
    // Only the low 8 bits of a stored entry count; non-zero is on.
    if (UsesStoredDefault(in_data, iniPath))
        value = static_cast<A_char>(DefaultsFile::ReadInteger(iniPath, name(), default_));
    PrepareDefinition(in_data, PF_Param_CHECKBOX, diskId);
    def_.u.bd.value = value;
    def_.u.bd.dephault = static_cast<PF_Boolean>(value);
    def_.u.bd.u.nameptr = text_;
    def_.flags |= extraFlags_;
    return AddDefinition(in_data);
}

ParamAddFloatSlider::ParamAddFloatSlider(const char *name, A_long diskId, A_long snapshotOffset,
                                         const PF_ParamDef &setupTemplate, FloatRange range, float defaultValue,
                                         A_short precision, A_short displayFlags, bool wantPhase)
    : BaseParam(name, diskId, snapshotOffset, sizeof(PF_FpLong), setupTemplate), range_(range),
      default_(defaultValue), precision_(precision), displayFlags_(displayFlags), wantPhase_(wantPhase ? 1 : 0)
{
}

void ParamAddFloatSlider::KeepInRange(void *value) const { Clamp<PF_FpLong>(value, range_.validMin, range_.validMax); }

PF_Err ParamAddFloatSlider::AddToHost(PF_InData *in_data, A_long diskId, const char *iniPath)
{
    double value = default_;
    if (UsesStoredDefault(in_data, iniPath)) {
        value = DefaultsFile::ReadFloat(iniPath, name(), default_);
        if (!(value >= range_.validMin && value <= range_.validMax)) value = default_;
    }
    PrepareDefinition(in_data, PF_Param_FLOAT_SLIDER, diskId);
    PF_FloatSliderDef &slider = def_.u.fs_d;
    slider.value = value;
    slider.valid_min = range_.validMin;
    slider.valid_max = range_.validMax;
    slider.slider_min = range_.sliderMin;
    slider.slider_max = range_.sliderMax;
    slider.dephault = static_cast<PF_FpShort>(value);
    slider.precision = precision_;
    slider.display_flags = displayFlags_;
    if (wantPhase_) slider.fs_flags |= PF_FSliderFlag_WANT_PHASE;
    slider.curve_tolerance = kCurveTolerance;
    return AddDefinition(in_data);
}

bool ParamAddFloatSlider::SaveDefault(const char *iniPath, const PF_ParamDef &current) const
{
    if (iniPath == nullptr) return true;
    return DefaultsFile::WriteFloat(iniPath, name(), current.u.fs_d.value);
}

ParamAddSlider::ParamAddSlider(const char *name, A_long diskId, A_long snapshotOffset,
                               const PF_ParamDef &setupTemplate, IntRange range, A_long defaultValue)
    : IntegerParam(name, diskId, snapshotOffset, sizeof(PF_ParamValue), setupTemplate), range_(range),
      default_(defaultValue)
{
}

void ParamAddSlider::KeepInRange(void *value) const { Clamp<PF_ParamValue>(value, range_.validMin, range_.validMax); }

PF_Err ParamAddSlider::AddToHost(PF_InData *in_data, A_long diskId, const char *iniPath)
{
    A_long value = default_;
    if (UsesStoredDefault(in_data, iniPath)) {
        value = DefaultsFile::ReadInteger(iniPath, name(), default_);
        if (value < range_.validMin || value > range_.validMax) value = default_;
    }
    PrepareDefinition(in_data, PF_Param_SLIDER, diskId);
    PF_SliderDef &slider = def_.u.sd;
    slider.value = value;
    slider.value_str[0] = '\0';
    slider.value_desc[0] = '\0';
    slider.valid_min = range_.validMin;
    slider.valid_max = range_.validMax;
    slider.slider_min = range_.sliderMin;
    slider.slider_max = range_.sliderMax;
    slider.dephault = value;
    return AddDefinition(in_data);
}

ParamAddColor::ParamAddColor(const char *name, A_long diskId, A_long snapshotOffset,
                             const PF_ParamDef &setupTemplate, PF_Pixel defaultColour)
    : BaseParam(name, diskId, snapshotOffset, sizeof(PF_Pixel), setupTemplate), default_(defaultColour)
{
}

namespace {

void ComponentKey(char (&key)[kKeyBufferSize], const char *name, char component)
{
    std::snprintf(key, sizeof key, "%s.%c", name, component);
}

}  // namespace

PF_Err ParamAddColor::AddToHost(PF_InData *in_data, A_long diskId, const char *iniPath)
{
    PF_Pixel colour = default_;
    if (UsesStoredDefault(in_data, iniPath)) {
        char key[kKeyBufferSize];
        ComponentKey(key, name(), 'r');
        colour.red = static_cast<A_u_char>(DefaultsFile::ReadInteger(iniPath, key, default_.red));
        ComponentKey(key, name(), 'g');
        colour.green = static_cast<A_u_char>(DefaultsFile::ReadInteger(iniPath, key, default_.green));
        ComponentKey(key, name(), 'b');
        colour.blue = static_cast<A_u_char>(DefaultsFile::ReadInteger(iniPath, key, default_.blue));
    }
    colour.alpha = PF_MAX_CHAN8;
    PrepareDefinition(in_data, PF_Param_COLOR, diskId);
    def_.u.cd.value = colour;
    def_.u.cd.dephault = colour;
    return AddDefinition(in_data);
}

bool ParamAddColor::SaveDefault(const char *iniPath, const PF_ParamDef &current) const
{
    if (iniPath == nullptr) return true;
    const PF_Pixel &colour = current.u.cd.value;
    const std::pair<char, A_u_char> components[] = {
        {'r', colour.red}, {'g', colour.green}, {'b', colour.blue}, {'a', colour.alpha}};
    bool written = true;
    for (const auto &component : components) {
        char key[kKeyBufferSize];
        ComponentKey(key, name(), component.first);
        written = DefaultsFile::WriteInteger(iniPath, key, component.second) && written;
    }
    return written;
}
