#pragma once

// A distribution as the product ships it, for every reader of it: the
// response file at the root (an SCCM install reads it there), and below the
// root one folder with the setup program, its companions (the engine, the
// install agent) and the product package.
//   <root>\QvInst.rsp
//   <root>\setup\client\x64\QvSetup.exe, QvInstAgent.exe, QvClient.msi, ...

// Below the root, without separators at either end.
constexpr const wchar_t* kDistributionProgramFolder = L"setup\\client\\x64";
// The response file, at the root and beside the program.
constexpr const wchar_t* kResponseFileName = L"QvInst.rsp";
// The product package beside the program.
constexpr const wchar_t* kClientPackageFileName = L"QvClient.msi";
