#include "AgentObjects.h"

#include <gtest/gtest.h>

namespace
{
// The objects grant SYSTEM and Administrators only (QvBase::CAdminOnlySecurity,
// tested with the base library): Wine does not enforce it on named objects.
TEST(AgentObjects, SectionHoldsTheLongestAnnouncement)
{
    EXPECT_GE(QvAgent::kAnnouncementSectionSize,
              GetAnnouncementSize(L"{0F8C2D4B-1A3E-4C5D-9E6F-7A8B9C0D1E2F}"));
}
} // namespace
