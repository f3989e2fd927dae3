#pragma once

// The fixed tables of the response file: names of the well-known keys, the
// section and flag key of each component, and the texts of the actions.
#include "QvResponseFile.h"

#include <string>

namespace QvInstall
{
constexpr const wchar_t* kCommonSection = L"Common";
// Components are numbered from 1 to this.
constexpr int kComponentCount = 21;

// The key name of a well-known key number; "" for a number without a name.
const wchar_t* WellKnownKeyName(int index);

struct ComponentEntry
{
    const wchar_t* section;
    const wchar_t* flagKey; // nullptr when the component has none
};

// The section and flag key of a component number; a number without an entry
// addresses "Common" without a flag key.
ComponentEntry FindComponent(int component);

// "none" for a number outside the table.
const wchar_t* ActionText(InstallAction action);
// Compared without regard to case; unknown text, empty included, is none.
InstallAction ActionFromText(const std::wstring& text);
} // namespace QvInstall
