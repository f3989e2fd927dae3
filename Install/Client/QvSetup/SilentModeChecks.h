#pragma once

// The group-policy pre-install check: false when a newer product version is
// installed and the run is to end with 1626 without showing anything.
bool SilentModeChecks();
