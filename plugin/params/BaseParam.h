// One object per control: registers it with the host, reads its value into the
// snapshot, hands it back, and stores it as the user's default.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"
#include "params/ParamGetter.h"
#include "params/ParamSnapshot.h"

class BaseParam {
public:
    BaseParam(const char *name, A_long diskId, A_long snapshotOffset, A_long snapshotSize,
              const PF_ParamDef &setupTemplate);
    virtual ~BaseParam() = default;
    BaseParam(const BaseParam &) = delete;
    BaseParam &operator=(const BaseParam &) = delete;

    // Checks the control out into the reader's buffer and copies its value
    // into the snapshot (when one is given). Group starts and ends carry no
    // value and are skipped.
    virtual PF_Err ReadValue(ParamSnapshot *snapshot, ParamGetter &reader) const;
    // Hands back what ReadValue checked out.
    virtual PF_Err CheckIn(ParamGetter &reader) const;
    virtual PF_Err AddToHost(PF_InData *in_data, A_long diskId, const char *iniPath) = 0;
    // Writes `current`'s value as the user's default; nothing without a path.
    // False when a write failed.
    virtual bool SaveDefault(const char *iniPath, const PF_ParamDef &current) const;

    const char *name() const { return name_; }
    A_long diskId() const { return diskId_; }
    A_long index() const { return index_; }
    A_long snapshotSize() const { return snapshotSize_; }
    const PF_ParamDef &def() const { return def_; }

protected:
    // Brings a value just read into the snapshot inside the control's valid
    // range: a host may hand out values its own control would refuse.
    virtual void KeepInRange(void *value) const;

    // The definition's common part: type, name (unless null), id.
    void PrepareDefinition(PF_InData *in_data, PF_ParamType type, A_long diskId);
    PF_Err AddDefinition(PF_InData *in_data);

    PF_ParamDef def_;

private:
    friend class ParamRegistry;
    const char *name_;
    A_long diskId_;
    A_long index_ = 0;
    A_long snapshotOffset_;
    A_long snapshotSize_;
};

class ParamAddTopic : public BaseParam {
public:
    ParamAddTopic(const char *name, A_long diskId, const PF_ParamDef &setupTemplate);
    PF_Err AddToHost(PF_InData *in_data, A_long diskId, const char *iniPath) override;
};

class ParamEndTopic : public BaseParam {
public:
    explicit ParamEndTopic(A_long diskId);
    PF_Err AddToHost(PF_InData *in_data, A_long diskId, const char *iniPath) override;
};

// Popups, checkboxes and sliders store their default as one integer.
class IntegerParam : public BaseParam {
public:
    using BaseParam::BaseParam;
    bool SaveDefault(const char *iniPath, const PF_ParamDef &current) const override;
};

class ParamAddPopup : public IntegerParam {
public:
    ParamAddPopup(const char *name, A_long diskId, A_long snapshotOffset, const PF_ParamDef &setupTemplate,
                  A_short numChoices, A_short defaultChoice, const char *choices);
    PF_Err AddToHost(PF_InData *in_data, A_long diskId, const char *iniPath) override;

protected:
    void KeepInRange(void *value) const override;

private:
    A_short numChoices_;
    A_short defaultChoice_;
    const char *choices_;
};

class ParamAddCheckbox : public IntegerParam {
public:
    ParamAddCheckbox(const char *name, A_long diskId, A_long snapshotOffset, const PF_ParamDef &setupTemplate,
                     const char *text, bool defaultOn, A_long extraFlags);
    PF_Err AddToHost(PF_InData *in_data, A_long diskId, const char *iniPath) override;

private:
    const char *text_;
    A_u_char default_;
    A_long extraFlags_;
};

struct FloatRange {
    float validMin, validMax, sliderMin, sliderMax;
};

class ParamAddFloatSlider : public BaseParam {
public:
    ParamAddFloatSlider(const char *name, A_long diskId, A_long snapshotOffset, const PF_ParamDef &setupTemplate,
                        FloatRange range, float defaultValue, A_short precision, A_short displayFlags,
                        bool wantPhase);
    PF_Err AddToHost(PF_InData *in_data, A_long diskId, const char *iniPath) override;
    bool SaveDefault(const char *iniPath, const PF_ParamDef &current) const override;

protected:
    void KeepInRange(void *value) const override;

private:
    FloatRange range_;
    float default_;
    A_short precision_;
    A_short displayFlags_;
    A_long wantPhase_;
};

struct IntRange {
    A_long validMin, validMax, sliderMin, sliderMax;
};

class ParamAddSlider : public IntegerParam {
public:
    ParamAddSlider(const char *name, A_long diskId, A_long snapshotOffset, const PF_ParamDef &setupTemplate,
                   IntRange range, A_long defaultValue);
    PF_Err AddToHost(PF_InData *in_data, A_long diskId, const char *iniPath) override;

protected:
    void KeepInRange(void *value) const override;

private:
    IntRange range_;
    A_long default_;
};

class ParamAddColor : public BaseParam {
public:
    ParamAddColor(const char *name, A_long diskId, A_long snapshotOffset, const PF_ParamDef &setupTemplate,
                  PF_Pixel defaultColour);
    PF_Err AddToHost(PF_InData *in_data, A_long diskId, const char *iniPath) override;
    bool SaveDefault(const char *iniPath, const PF_ParamDef &current) const override;

private:
    PF_Pixel default_;
};
