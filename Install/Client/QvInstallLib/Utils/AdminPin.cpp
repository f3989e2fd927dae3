#include "AdminPin.h"

#include "QvSrvBinding.h"
#include "TraceLineScope.h"
#include "qvexception.h"

namespace AdminPinUtils
{
bool IsAdminPinOn()
{
    return IsAdminPinOnVia(kQvSrvApiModule);
}

bool IsAdminPinOnVia(const wchar_t* library)
{
    QvBase::CTraceLineScope line(L"AdminPinUtils::IsAdminPinOn");
    try
    {
        CQvSrvApi api(library);
        unsigned long state = 0;
        return api.GetProtectionState(state) == 0 && (state & QvSrvStateAdminPinOn) != 0;
    }
    catch (const QvBase::CQvError&)
    {
        // No product service (or no answer): nothing says the PIN is on.
        return false;
    }
}
} // namespace AdminPinUtils
