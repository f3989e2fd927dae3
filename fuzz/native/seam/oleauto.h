#pragma once

// Native fuzz build: the declarations live in the <windows.h> stand-in.
#include <windows.h>
