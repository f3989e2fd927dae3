#pragma once

// Test helper: a machine that stays up across the runs of a test. Wine ends
// a prefix's services (and every service process) when the last ordinary
// program of the prefix ends; Windows never does, so what an SCCM run leaves
// running lives on there until the next deployment. While this object lives
// a program of its own (QvStayUp.exe) runs in the prefix, so that a test sees
// after a run what a real machine would: a service that still runs, or one
// that has really ended.
#include "UniqueResource.h"

#include <string>

namespace QvTest
{
class CMachineStaysUp
{
public:
    CMachineStaysUp();
    // Lets the program end and waits for it.
    ~CMachineStaysUp();
    CMachineStaysUp(const CMachineStaysUp&) = delete;
    CMachineStaysUp& operator=(const CMachineStaysUp&) = delete;

    // True while the program runs.
    bool IsUp() const;

private:
    QvBase::CUniqueHandle stop;
    QvBase::CUniqueHandle program;
};
} // namespace QvTest
