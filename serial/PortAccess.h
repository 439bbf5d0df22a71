#pragma once
// Why a device refused us, for the explanation shown after a NoPermission
// failure: the device's owner, group and mode, and what the user can do
// about it. Joining the device's group helps only when that group may read
// and write the device, and joining root is never advice.
#include <sys/types.h>

#include <span>
#include <string>

enum class PortAdvice {
  None,               // the session has what the device asks for; nothing to advise
  JoinGroup,          // the group may read and write; the user is not in it
  LogInAgain,         // member per the group database, but this session lacks the group
  ChangePermissions,  // no group to join: the device's mode must change (a udev rule)
};

struct PortAccess {
  bool known = false;           // the device could be examined
  gid_t group = 0;              // the device's group
  std::string groupName;        // its name; the number as text when it has none
  std::string permissions;      // as ls -l shows them: "crw-rw---- root dialout"
  bool userInGroup = false;     // the user is a member per the group database
  bool processInGroup = false;  // this process runs with the group
  bool mustLogInAgain = false;  // member, but this session does not have it
  PortAdvice advice = PortAdvice::None;
};

// Examines `devicePath` for the user running this process.
PortAccess checkPortAccess(const std::string& devicePath);

// The decision itself, from the device's owner, group and mode and the two group lists.
PortAccess evaluatePortAccess(uid_t deviceOwner, gid_t deviceGroup, mode_t deviceMode,
                              std::span<const gid_t> userGroups, std::span<const gid_t> processGroups);
