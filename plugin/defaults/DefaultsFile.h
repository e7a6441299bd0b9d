// The per-user defaults file: "K_Sallowmerine.ini" in "\KORVA\Tavix\" under
// the user's application-data folder, in private-profile format.
#pragma once

#include <windows.h>

#include "AEConfig.h"
#include "AE_Effect.h"

// The section the controls read and write: "Version=1.0" once the controls
// were registered on a host that uses the file, empty otherwise.
extern char DefaultsSection[128];

namespace DefaultsFile {

// Sets DefaultsSection for a host that does or does not use the file.
void SelectSection(bool useFile);

// The full path of the file; false when it does not fit in MAX_PATH bytes.
bool BuildPath(char (&path)[MAX_PATH]);

// Creates the folder that holds the file, with every missing level; false
// when the folder is not there afterwards.
bool CreateFolder(const char *path);

// Deletes the file, then its folders up to the application-data folder as
// long as they are empty; false when the file is still there.
bool Remove(const char *path);

// Entries of DefaultsSection. Missing entries give the fallback; writes
// answer whether the file took the entry.
A_long ReadInteger(const char *path, const char *key, A_long fallback);
double ReadFloat(const char *path, const char *key, double fallback);
bool WriteInteger(const char *path, const char *key, A_long value);
bool WriteFloat(const char *path, const char *key, double value);

}  // namespace DefaultsFile
