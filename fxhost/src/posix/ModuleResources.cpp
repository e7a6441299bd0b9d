#include "ModuleResources.h"

#include <win32stub_control.h>

namespace fxhost {

namespace {

// Dialog template 201, the options dialog, with the texts the template holds
// (code page 932); the effect replaces them when the dialog opens.
const Win32Stub_DialogItem kOptionDialogItems[] = {
    {2000, "\x90\xdd\x92\xe8\x20\x81\x69\x8e\x9f\x89\xf1\x8b\x4e\x93\xae\x82\xa9\x82\xe7\x97\x4c\x8c\xf8\x82\xc9\x82"
           "\xc8\x82\xe8\x82\xdc\x82\xb7\x81\x6a",
     6, 6, 222, 76},
    {2001, "\x8c\xbb\x8d\xdd\x82\xcc\x83\x70\x83\x89\x83\x81\x81\x5b\x83\x5e\x90\xdd\x92\xe8\x82\xf0\x83\x66\x83\x74"
           "\x83\x48\x83\x8b\x83\x67\x92\x6c\x82\xc6\x82\xb5\x82\xc4\x8b\x4c\x89\xaf\x82\xb7\x82\xe9",
     36, 30, 162, 15},
    {2002, "\x83\x70\x83\x89\x83\x81\x81\x5b\x83\x5e\x82\xcc\x83\x66\x83\x74\x83\x48\x83\x8b\x83\x67\x92\x6c\x90\xdd"
           "\x92\xe8\x82\xf0\x8f\x89\x8a\xfa\x8f\xf3\x91\xd4\x82\xc9\x95\x9c\x8b\x41\x82\xb7\x82\xe9",
     36, 50, 162, 15},
    {-1, "", 12, 90, 209, 43},  // bitmap 203
    {IDOK, "OK", 180, 144, 36, 18},
};
const Win32Stub_DialogTemplate kOptionDialog = {"Option", 22, 17, 235, 170, kOptionDialogItems,
                                                sizeof kOptionDialogItems / sizeof kOptionDialogItems[0]};

}  // namespace

void DefineModuleResources(HINSTANCE module) { Win32Stub_DefineDialog(module, 201, &kOptionDialog); }

void ForgetModuleResources(HINSTANCE module) { Win32Stub_ForgetDialogs(module); }

}  // namespace fxhost
