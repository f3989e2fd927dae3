#pragma once

#include "QvSrvClass.h"

namespace AdminPinUtils
{
// True only when the product service answers that the administrator PIN is
// on; a missing or failing service library answers false.
bool IsAdminPinOn();
// The same question to the service library at "library".
bool IsAdminPinOnVia(const wchar_t* library);
} // namespace AdminPinUtils
