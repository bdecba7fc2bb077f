#pragma once
// Turns a host application's name into a small code, so plug-in code can tell
// hosts apart without comparing strings.

namespace torvik {

// -1: not yet identified; 0: no table entry matched.
inline constexpr int kHostUnknown = -1;
inline constexpr int kHostNoMatch = 0;

// Case-insensitive substring lookup; the first entry that matches wins.
int IdentifyHost(const char* name);

} // namespace torvik
