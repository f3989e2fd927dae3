#include "ResultDocument.h"

#include "ErrorText.h"
#include "InstallTaskResult.h"

namespace QvAgent
{
std::wstring BuildResultDocument(const CTaskOutcome& outcome, int op)
{
    std::vector<CPatchResult> patches;
    for (const QvClientPackage::CPatchOutcome& patch : outcome.patches)
        patches.push_back(
            {patch.path, QvBase::DescribeError(patch.code), static_cast<int>(patch.code)});
    return WriteResultDocument(static_cast<int>(outcome.code), QvBase::DescribeError(outcome.code),
                               op, patches);
}
} // namespace QvAgent
