#pragma once

// What the sample engine is told to do, read from its environment:
//   QVINSTMAIN_REPORT  path of the report file
//                      (default: %TEMP%\QvInstMain.report.txt)
//   QVINSTMAIN_RETURN  number to return (decimal or 0x hex; default 0)
//   QVINSTMAIN_RAISE   code of a QvBase::CQvError to raise instead of
//                      returning, or "std" for a standard-library exception
#include <string>

struct CEngineOptions
{
    std::wstring reportPath;
    unsigned int returnValue = 0;
    bool raiseQvError = false;
    bool raiseStdException = false;
    unsigned int raiseCode = 0;
};

CEngineOptions ReadEngineOptions();
