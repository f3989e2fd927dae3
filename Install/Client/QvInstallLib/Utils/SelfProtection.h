#pragma once

#include "QvSrvClass.h"

#include <memory>

class CQvSrvApi;

// Puts the product's self-protection into its service mode for the life of
// the object, so that an installation may change the product's files, keys
// and services, and puts the earlier mode back at its end. After each change
// the product's services are asked to report their state. Without a product
// service library there is no protection to switch: nothing happens. Nothing
// here raises.
class CSelfProtectionServiceMode
{
public:
    explicit CSelfProtectionServiceMode(const wchar_t* library = kQvSrvApiModule);
    ~CSelfProtectionServiceMode();
    CSelfProtectionServiceMode(const CSelfProtectionServiceMode&) = delete;
    CSelfProtectionServiceMode& operator=(const CSelfProtectionServiceMode&) = delete;

    // Whether this object changed the mode (and will change it back).
    bool IsSwitched() const { return switched; }

private:
    std::unique_ptr<CQvSrvApi> api;
    unsigned long previousMode = QvSrvSelfProtectionOn;
    bool switched = false;
};

// Asks each of the product's services to report its state to the service
// control manager; services that are not installed are passed over.
void InterrogateProductServices();
