#pragma once
// Why a device refused us, for the explanation shown after a NoPermission
// failure: the device's group, and whether the user is listed in it but the
// running session does not have it yet (added to the group, not logged in again).
#include <sys/types.h>

#include <span>
#include <string>

struct PortAccess {
  bool known = false;           // the device could be examined
  gid_t group = 0;              // the device's group
  std::string groupName;        // its name; the number as text when it has none
  bool userInGroup = false;     // the user is a member per the group database
  bool processInGroup = false;  // this process runs with the group
  bool mustLogInAgain = false;  // member, but this session does not have it
};

// Examines `devicePath` for the user running this process.
PortAccess checkPortAccess(const std::string& devicePath);

// The decision itself, from the device's group and the two group lists.
PortAccess evaluatePortAccess(gid_t deviceGroup, std::span<const gid_t> userGroups,
                              std::span<const gid_t> processGroups);
