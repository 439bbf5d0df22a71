#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "serial/PortAccess.h"

namespace {

constexpr mode_t GroupReadWrite = S_IFCHR | 0660;

TEST(PortAccess, AMemberWhoseSessionLacksTheGroupMustLogInAgain) {
  const std::vector<gid_t> user = {1000, 20, 27};
  const std::vector<gid_t> process = {1000, 27};
  const PortAccess access = evaluatePortAccess(0, 20, GroupReadWrite, user, process);
  EXPECT_TRUE(access.known);
  EXPECT_EQ(access.group, 20u);
  EXPECT_TRUE(access.userInGroup);
  EXPECT_FALSE(access.processInGroup);
  EXPECT_TRUE(access.mustLogInAgain);
  EXPECT_EQ(access.advice, PortAdvice::LogInAgain);
}

TEST(PortAccess, ANonMemberIsToldToJoinAGroupThatMayReadAndWrite) {
  const std::vector<gid_t> user = {1000};
  const PortAccess access = evaluatePortAccess(0, 20, GroupReadWrite, user, user);
  EXPECT_FALSE(access.userInGroup);
  EXPECT_FALSE(access.mustLogInAgain);
  EXPECT_EQ(access.advice, PortAdvice::JoinGroup);
}

TEST(PortAccess, AMemberWhoseSessionHasTheGroupNeedNotLogInAgain) {
  const std::vector<gid_t> groups = {1000, 20};
  const PortAccess access = evaluatePortAccess(0, 20, GroupReadWrite, groups, groups);
  EXPECT_TRUE(access.processInGroup);
  EXPECT_FALSE(access.mustLogInAgain);
  EXPECT_EQ(access.advice, PortAdvice::None);
}

TEST(PortAccess, NoGroupIsAdvisedWhenItCannotReadAndWriteTheDeviceOrIsRoot) {
  const std::vector<gid_t> user = {1000};
  // Read-only for the group, nothing for the group, the owner's alone.
  for (mode_t mode : {S_IFCHR | 0640, S_IFCHR | 0620, S_IFCHR | 0600})
    EXPECT_EQ(evaluatePortAccess(0, 20, mode, user, user).advice, PortAdvice::ChangePermissions) << mode;
  const PortAccess rootGroup = evaluatePortAccess(0, 0, GroupReadWrite, user, user);
  EXPECT_EQ(rootGroup.advice, PortAdvice::ChangePermissions);
  EXPECT_EQ(rootGroup.permissions, "crw-rw---- root root");
  EXPECT_EQ(evaluatePortAccess(0, 0, S_IFCHR | 0600, user, user).permissions, "crw------- root root");
}

TEST(PortAccess, AGroupWithoutANameIsShownByNumber) {
  const gid_t unnamed = 987654;
  ASSERT_EQ(::getgrgid(unnamed), nullptr);
  EXPECT_EQ(evaluatePortAccess(0, unnamed, GroupReadWrite, {}, {}).groupName, "987654");
}

TEST(PortAccess, ExaminesTheGroupOfARealFile) {
  char path[] = "/tmp/orvita-access-XXXXXX";
  const int fd = ::mkstemp(path);
  ASSERT_GE(fd, 0);
  ::close(fd);
  struct stat st {};
  ASSERT_EQ(::stat(path, &st), 0);
  const group* g = ::getgrgid(st.st_gid);
  ASSERT_NE(g, nullptr);
  const std::string name = g->gr_name;

  const PortAccess access = checkPortAccess(path);
  EXPECT_TRUE(access.known);
  EXPECT_EQ(access.group, st.st_gid);
  EXPECT_EQ(access.groupName, name);
  EXPECT_TRUE(access.processInGroup);  // a new file gets this process's group
  EXPECT_FALSE(access.mustLogInAgain);
  ::unlink(path);
}

TEST(PortAccess, AMissingDeviceIsNotKnown) { EXPECT_FALSE(checkPortAccess("/dev/orvita-no-such-device").known); }

}  // namespace
