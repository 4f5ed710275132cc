#pragma once
// The text of vocalith-cli --help.

extern const char* const kUsageText;
