// The machine's own account files, read only: the user running the tests is found.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include "moxtrel/backends/files/files_provider.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::testing {
namespace {

using namespace directory;

TEST(FilesSystemTest, FindsTheCurrentUserInTheMachinesOwnFiles) {
  const passwd* me = ::getpwuid(::geteuid());
  ASSERT_NE(me, nullptr);
  backends::files::FilesOptions o;  // root "/"
  o.computer = u"this";
  auto provider = backends::files::MakeFilesProvider(o);
  auto user =
      As<IADsUser>(provider->GetObject(u"WinNT://this/" + FromUtf8(me->pw_name) + u",user"));
  EXPECT_EQ(user->Name(), FromUtf8(me->pw_name));
  EXPECT_EQ(user->HomeDirectory(), FromUtf8(me->pw_dir));
  EXPECT_EQ(user->Get(u"PrimaryGroupID").ToLong(), static_cast<int32_t>(me->pw_gid));
  auto sid = user->Get(u"ObjectSID").AsBytes();
  ASSERT_EQ(sid.size(), 16u);
  EXPECT_EQ(sid[12] | sid[13] << 8 | sid[14] << 16 | sid[15] << 24, static_cast<int>(me->pw_uid));
  // Its groups list at least its primary group.
  auto groups = user->Groups()->NewEnum();
  EXPECT_NE(groups->Next(), nullptr);
}

}  // namespace
}  // namespace moxtrel::testing
