#pragma once

#include "QvTrace.h"

// Switches the product's tracing on for an installation and off again at its
// end, but only when tracing was not configured before: a configuration found
// in place (or migrated from the earlier trace component) is left alone.
class CInstallTrace
{
public:
    // "sink", when given, re-reads its configuration after tracing is switched
    // on here.
    explicit CInstallTrace(QvBase::CQvTrace* sink);
    ~CInstallTrace();
    CInstallTrace(const CInstallTrace&) = delete;
    CInstallTrace& operator=(const CInstallTrace&) = delete;

    // Whether tracing is configured: the Trace key enables it, or the earlier
    // component's key does and is migrated into the Trace key.
    static bool IsEnabled();
    // Writes the install configuration; the code of its last step.
    static LONG EnableTrace();
    // Deletes the Trace key with everything below it.
    static void DisableTrace();

    bool SwitchedOn() const { return switchedOn; }

private:
    bool switchedOn = false;
};
