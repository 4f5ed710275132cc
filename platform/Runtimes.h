#pragma once
// Installs the platform's runtimes in the class registry, as installing them
// on the original platform registers their classes: the SAPI 4 runtime over
// flite, the SAPI 5 runtime over espeak-ng and the Windows Media Format
// runtime over FFmpeg, whose module is loaded when its classes are first
// created. The program calls it once, before COM is used.

void RegisterPlatformRuntimes();
