// Controls of the Windows stand-in that only an emulated host uses: the state
// a real Windows session would provide (keyboard, command line, code page).
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Sets whether virtual key vk reads as down in GetKeyState. All keys start up.
void Win32Stub_SetKeyDown(int vk, int down);

// Replaces the text GetCommandLineA returns; a null pointer goes back to this
// process's real command line.
void Win32Stub_SetCommandLine(const char *commandLine);

// Forces the code page _getmbcp reports; a negative value goes back to the
// code page of the current locale.
void Win32Stub_SetCodePage(int codePage);

#ifdef __cplusplus
}
#endif
