#pragma once

#include "QvVersion.h"

// Constants compiled into this build of the setup program. The version comes
// from the generated header the version resource reads too.
namespace BuildInfo
{
constexpr int kVersion[4] = {QV_VERSION};
constexpr const wchar_t* kBuildTime = L"11:02:51";
constexpr const wchar_t* kBuildDate = L"Mar  7 2022";
constexpr const wchar_t* kLocale = L"es-ES";
constexpr const wchar_t* kSingleInstanceEvent = L"Global\\{3B9E6F20-8C41-4E7A-9D25-61F0A4C7B8E3}";
constexpr const wchar_t* kTitle = L"Quorvel";
} // namespace BuildInfo
