#pragma once

// The result document the agent writes into a task's "error" value: a
// "result" element with "code", "description" (the system's text of the
// code) and "op" (the task type the agent carried out); for the patch kinds
// one "patch" child per patch with its own "code", "path" and "description".
#include <string>
#include <vector>

namespace QvAgent
{
struct CPatchResult
{
    std::wstring path;
    unsigned int code = 0;
};

struct CTaskOutcome
{
    unsigned int code = 0;
    std::vector<CPatchResult> patches;
};

std::wstring BuildResultDocument(const CTaskOutcome& outcome, int op);
// Text safe inside a double-quoted XML attribute.
std::wstring EscapeAttribute(const std::wstring& text);
} // namespace QvAgent
