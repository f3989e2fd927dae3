#pragma once

// The result the agent writes into a task: the code of the work and, for the
// patch kinds, each patch's own, with the system's text for every code
// (WriteResultDocument of the install library writes the document the setup
// side reads).
#include "ClientPackage.h"

#include <string>
#include <vector>

namespace QvAgent
{
struct CTaskOutcome
{
    unsigned int code = 0;
    std::vector<QvClientPackage::CPatchOutcome> patches;
};

std::wstring BuildResultDocument(const CTaskOutcome& outcome, int op);
} // namespace QvAgent
