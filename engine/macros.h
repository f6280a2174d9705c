// Path macros of the setup script: "<System>", "<Destination>" and their kin stand for real
// folders, so one package installs into whatever folders a machine and its user have.
#pragma once

#include <cstddef>

#include "platform/text.h"

namespace tovik {

// The macros, in the order in which they are expanded.
inline constexpr const char* kSystemMacro = "<System>";
inline constexpr const char* kWindowsMacro = "<Windows>";
inline constexpr const char* kDestinationMacro = "<Destination>";
inline constexpr const char* kProgramFilesMacro = "<Program Files>";
inline constexpr const char* kStartupMacro = "<Startup>";
inline constexpr const char* kStartProgramsMacro = "<Start Programs>";
inline constexpr const char* kSourceMacro = "<Source>";

// Replaces the first occurrence of `macro` at or after `from` by `value`; a non-empty value
// gets a trailing backslash first (in the caller's buffer). The result is cut at 259
// characters. `from` moves past the inserted value, so a value that holds the macro itself is
// not expanded again. False when no occurrence is left.
bool replaceMacro(PathText& text, const char* macro, PathText& value, std::size_t& from);

// Removes the second backslash of every doubled pair, from the third character on: a network
// path keeps its two leading backslashes.
void collapseDoubledBackslashes(PathText& text);

#ifdef _WIN32
// Expands every macro of the text, in place, with its value obtained afresh, then collapses
// doubled backslashes.
void expandMacros(PathText& text);
#endif

}  // namespace tovik
