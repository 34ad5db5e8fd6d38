// The text the systemd backend writes into unit files: names and values that could end a line,
// open a section, continue a line or be expanded by the manager are refused or escaped, and the
// backend's drop-in reads back what it wrote.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "moxtrel/backends/systemd/service_mapping.h"
#include "moxtrel/backends/systemd/unit_text.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::systemd {
namespace {

using ::testing::HasSubstr;

uint32_t CodeOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const AutomationError& e) {
    return static_cast<uint32_t>(e.code());
  }
  return 0;
}

TEST(SystemdUnitTextTest, UnitNamesRefuseWhatIsNoUnitName) {
  EXPECT_EQ(UnitName(u"web"), "web.service");
  EXPECT_EQ(UnitName(u"web.service"), "web.service");
  EXPECT_EQ(UnitName(u"getty@tty1"), "getty@tty1.service");
  EXPECT_EQ(ServiceName("web.service"), u"web");
  const std::vector<std::u16string> names = {u"",
                                             u"../web",
                                             u"a/b",
                                             u"web\n[Service]",
                                             u"web\\x2d",
                                             u"-web",
                                             u".web",
                                             u"web@",
                                             u"we b",
                                             u"web;rm",
                                             u"%n",
                                             u"[Unit]",
                                             u"w\u00e9b",
                                             std::u16string(u"w\0b", 3),
                                             std::u16string(300, u'a')};
  for (const auto& bad : names) {
    EXPECT_EQ(CodeOf([&] { UnitName(bad); }), errc::kInvalidName) << ToUtf8(bad);
  }
  EXPECT_TRUE(IsListedService("web.service"));
  EXPECT_FALSE(IsListedService("getty@.service"));
  EXPECT_FALSE(IsListedService("dbus.socket"));
}

TEST(SystemdUnitTextTest, ValuesAreRefusedOrEscapedSoNothingIsInjected) {
  // Specifiers are doubled, so the manager expands nothing.
  EXPECT_EQ(DescriptionValue(u"100% %n"), "100%% %%n");
  EXPECT_EQ(ExecStartValue(u"/bin/echo %h \"a b\""), "/bin/echo %%h \"a b\"");
  EXPECT_EQ(UserValue(u"svc-web"), "svc-web");
  const std::u16string injected[] = {u"x\nExecStartPre=/bin/sh", u"x\r[Service]", u"x\\",
                                     std::u16string(u"x\0y", 3), u"x\u2028y",     u"x\x7f"};
  for (const auto& v : injected) {
    EXPECT_EQ(CodeOf([&] { DescriptionValue(v); }), errc::kInvalidArg) << ToUtf8(v);
    EXPECT_EQ(CodeOf([&] { ExecStartValue(u"/bin/x " + v); }), errc::kInvalidArg) << ToUtf8(v);
    EXPECT_EQ(CodeOf([&] { UserValue(v); }), errc::kInvalidArg) << ToUtf8(v);
  }
  const std::vector<std::u16string> paths = {u"",
                                             u"sleep 5",
                                             u"-/bin/true",
                                             u"@/bin/true",
                                             u"/bin/true ; /bin/sh",
                                             u"/bin/echo \"a",
                                             u"/bin/echo $HOME"};
  for (const auto& bad : paths) {
    EXPECT_EQ(CodeOf([&] { ExecStartValue(bad); }), errc::kInvalidArg) << ToUtf8(bad);
  }
  const std::vector<std::u16string> users = {u"",    u"-root", u"a b",
                                             u"a:b", u"a/b",   u"root\nUser=x"};
  for (const auto& bad : users) {
    EXPECT_EQ(CodeOf([&] { UserValue(bad); }), errc::kInvalidArg) << ToUtf8(bad);
  }
  try {
    DescriptionValue(u"a\nb");
  } catch (const AutomationError& e) {
    EXPECT_THAT(ToUtf8(e.description()), HasSubstr("DisplayName"));
  }
}

TEST(SystemdUnitTextTest, TheDropInReadsBackWhatItWrote) {
  Overrides o;
  o.description = DescriptionValue(u"Web 100%");
  o.exec_start = ExecStartValue(u"/usr/bin/web --port 80");
  o.user = UserValue(u"www");
  o.requires_units = {"db.service", "cache.service"};
  o.order = {"db.service", "cache.service", "net.service"};
  const std::string text = RenderOverrides(o);
  EXPECT_THAT(text, HasSubstr("ExecStart=\nExecStart=/usr/bin/web --port 80\n"));
  EXPECT_THAT(text, HasSubstr("After=db.service cache.service\n"));
  const Overrides back = ParseOverrides(text);
  EXPECT_EQ(back.description, o.description);
  EXPECT_EQ(back.exec_start, o.exec_start);
  EXPECT_EQ(back.user, o.user);
  EXPECT_EQ(back.requires_units, o.requires_units);
  EXPECT_EQ(back.order, o.order);
  EXPECT_THAT(RenderUnitFile(o), HasSubstr("[Install]\nWantedBy=multi-user.target\n"));
  EXPECT_EQ(CommandLine("/bin/echo", {"echo", "a b", "c", ""}), u"/bin/echo \"a b\" c \"\"");
}

TEST(SystemdUnitTextTest, StatesMapAsDocumented) {
  EXPECT_EQ(StatusFrom("active", "running"), kRunning);
  EXPECT_EQ(StatusFrom("active", "frozen"), kPaused);
  EXPECT_EQ(StatusFrom("active", "freezing"), kPausePending);
  EXPECT_EQ(StatusFrom("active", "thawing"), kContinuePending);
  EXPECT_EQ(StatusFrom("activating", "running"), kStartPending);
  EXPECT_EQ(StatusFrom("deactivating", "running"), kStopPending);
  EXPECT_EQ(StatusFrom("failed", "running"), kStopped);
  EXPECT_EQ(StartTypeFrom("enabled"), kAutoStart);
  EXPECT_EQ(StartTypeFrom("masked"), kDisabledStart);
  EXPECT_EQ(StartTypeFrom("static"), kDemandStart);
  EXPECT_EQ(StartTypeFrom("disabled"), kDemandStart);
}

}  // namespace
}  // namespace moxtrel::backends::systemd
