// Command ids of the viewer's menu, accelerators and tool bars (resource 20000).
#pragma once

#include <cstdint>

namespace kvn {

inline constexpr int kMainMenuId = 20000;  // menu and accelerator table

inline constexpr std::uint32_t kCmFileOpen = 18920;
inline constexpr std::uint32_t kCmFileClose = 19570;
inline constexpr std::uint32_t kCmExport = 15620;
inline constexpr std::uint32_t kCmPrint = 19516;
inline constexpr std::uint32_t kCmParameters = 15210;
inline constexpr std::uint32_t kCmExit = 24310;
inline constexpr std::uint32_t kCmPagePrevious = 19917;
inline constexpr std::uint32_t kCmPageNext = 19918;
inline constexpr std::uint32_t kCmZoomIn = 15932;
inline constexpr std::uint32_t kCmZoomOut = 15102;
inline constexpr std::uint32_t kCmZoom25 = 15750;
inline constexpr std::uint32_t kCmZoom50 = 15752;
inline constexpr std::uint32_t kCmZoom100 = 15754;
inline constexpr std::uint32_t kCmZoom200 = 15756;
inline constexpr std::uint32_t kCmZoom400 = 15758;
inline constexpr std::uint32_t kCmUserZoom = 15762;
inline constexpr std::uint32_t kCmLastZoom = 16554;
inline constexpr std::uint32_t kCmWholeArea = 16556;
inline constexpr std::uint32_t kCmAllElements = 16558;
inline constexpr std::uint32_t kCmCzech = 19752;
inline constexpr std::uint32_t kCmSlovak = 19754;
inline constexpr std::uint32_t kCmEnglish = 19756;
inline constexpr std::uint32_t kCmAbout = 16434;
inline constexpr std::uint32_t kCmAccepted = 15206;  // accepted, does nothing
// Help requests of the help frame.
inline constexpr std::uint32_t kCmHelp = 11002;
inline constexpr std::uint32_t kCmHelpNothing1 = 11020;
inline constexpr std::uint32_t kCmHelpNothing2 = 11022;

// Strings.
inline constexpr int kStrTitle = 19766;    // "... (version %s)"
inline constexpr int kStrVersion = 19950;  // "20.0.0"
inline constexpr int kStrAboutCaption = 16436;
inline constexpr int kStrAboutDescription = 16437;
inline constexpr int kStrAboutVersion = 16438;
inline constexpr int kStrAboutMaker = 16439;
inline constexpr int kStrSettingsSetAside = 19990;

}  // namespace kvn
