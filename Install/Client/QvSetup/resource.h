// Identifiers of the setup program's resources, shared by the resource
// scripts and the code that loads them.
#pragma once

#define IDS_INITIALIZING 104
#define IDI_QVSETUP 107
#define IDS_SYSTEM_NOT_SUPPORTED 129
#define IDD_STARTUP 254
