#pragma once

#include <QLatin1StringView>

// How the component talks to its scanning program, which runs the scanner library
// in a process of its own, so that a backend that crashes or hangs cannot take the
// host with it. The program writes one UTF-8 line per event, fields separated by
// tabs; the component writes commands to its standard input.
//
//   wendra-scan list                 device <name> <description> ... end
//   wendra-scan scan <device> <colour> <dpi> <source> <pages> <file>
//                                    progress <page> <lines> <total> ... then
//                                    done <pages> (waits for commit or cancel), saved;
//                                    or cancelled; or error <number> <description>
namespace wo::imaging::scanprotocol {

inline constexpr QLatin1StringView Program("wendra-scan");
inline constexpr QLatin1StringView List("list");
inline constexpr QLatin1StringView Scan("scan");

inline constexpr QLatin1StringView Device("device");
inline constexpr QLatin1StringView End("end");
inline constexpr QLatin1StringView Progress("progress");
inline constexpr QLatin1StringView Done("done");
inline constexpr QLatin1StringView Saved("saved");
inline constexpr QLatin1StringView Cancelled("cancelled");
inline constexpr QLatin1StringView Failed("error");

inline constexpr QLatin1StringView Commit("commit");
inline constexpr QLatin1StringView Cancel("cancel");

} // namespace wo::imaging::scanprotocol
