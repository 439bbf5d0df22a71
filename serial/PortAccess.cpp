#include "serial/PortAccess.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

std::string userName(uid_t uid) {
  std::vector<char> buffer(4096);
  passwd entry{};
  passwd* found = nullptr;
  while (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < (1u << 20))
    buffer.resize(buffer.size() * 2);
  return found != nullptr ? std::string(found->pw_name) : std::to_string(uid);
}

// "crw-rw----": the type letter and the nine permission bits.
std::string modeText(mode_t mode) {
  std::string text = S_ISCHR(mode) ? "c" : S_ISBLK(mode) ? "b" : S_ISDIR(mode) ? "d" : S_ISREG(mode) ? "-" : "?";
  const char letters[] = "rwxrwxrwx";
  for (int bit = 0; bit < 9; ++bit) text += (mode & (0400 >> bit)) ? letters[bit] : '-';
  return text;
}

std::string groupName(gid_t gid) {
  std::vector<char> buffer(4096);
  group entry{};
  group* found = nullptr;
  while (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < (1u << 20))
    buffer.resize(buffer.size() * 2);
  return found != nullptr ? std::string(found->gr_name) : std::to_string(gid);
}

// The groups the group database gives the user, as a fresh login would get them.
std::vector<gid_t> userGroups() {
  std::vector<char> buffer(4096);
  passwd entry{};
  passwd* found = nullptr;
  while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < (1u << 20))
    buffer.resize(buffer.size() * 2);
  if (found == nullptr) return {};
  std::vector<gid_t> groups(64);
  int count = static_cast<int>(groups.size());
  while (::getgrouplist(found->pw_name, found->pw_gid, groups.data(), &count) < 0) {
    if (count <= static_cast<int>(groups.size())) count = static_cast<int>(groups.size()) * 2;
    groups.resize(static_cast<std::size_t>(count));
  }
  groups.resize(static_cast<std::size_t>(count));
  return groups;
}

std::vector<gid_t> processGroups() {
  const int count = ::getgroups(0, nullptr);
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(count, 0)));
  const int got = groups.empty() ? 0 : ::getgroups(count, groups.data());
  groups.resize(static_cast<std::size_t>(std::max(got, 0)));
  groups.push_back(::getegid());
  return groups;
}

}  // namespace

PortAccess evaluatePortAccess(uid_t deviceOwner, gid_t deviceGroup, mode_t deviceMode,
                              std::span<const gid_t> userGroups, std::span<const gid_t> processGroups) {
  PortAccess access;
  access.known = true;
  access.group = deviceGroup;
  access.groupName = groupName(deviceGroup);
  access.permissions = modeText(deviceMode) + ' ' + userName(deviceOwner) + ' ' + access.groupName;
  access.userInGroup = std::find(userGroups.begin(), userGroups.end(), deviceGroup) != userGroups.end();
  access.processInGroup = std::find(processGroups.begin(), processGroups.end(), deviceGroup) != processGroups.end();
  access.mustLogInAgain = access.userInGroup && !access.processInGroup;

  const bool groupReadsAndWrites = (deviceMode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
  if (!groupReadsAndWrites || deviceGroup == 0)
    access.advice = PortAdvice::ChangePermissions;
  else if (access.mustLogInAgain)
    access.advice = PortAdvice::LogInAgain;
  else if (!access.userInGroup)
    access.advice = PortAdvice::JoinGroup;
  return access;
}

PortAccess checkPortAccess(const std::string& devicePath) {
  struct stat st {};
  if (::stat(devicePath.c_str(), &st) != 0) return {};
  const std::vector<gid_t> user = userGroups();
  const std::vector<gid_t> process = processGroups();
  return evaluatePortAccess(st.st_uid, st.st_gid, st.st_mode, user, process);
}
