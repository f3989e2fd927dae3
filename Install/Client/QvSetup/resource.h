// Identifiers of the setup program's resources, shared by the resource
// scripts and the code that loads them.
#pragma once

#define IDS_INITIALIZING 104
#define IDI_QVSETUP 107
#define IDS_SYSTEM_NOT_SUPPORTED 129
#define IDS_USAGE_HEADER 140
#define IDS_USAGE_SCRIPT 141
#define IDS_USAGE_GP 142
#define IDS_USAGE_JCSF 143
#define IDS_USAGE_SOURCE 144
#define IDS_USAGE_SCCM 145
#define IDS_USAGE_TIMEOUT 146
#define IDS_USAGE_USAGE 147
#define IDD_STARTUP 254
