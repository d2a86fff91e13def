#include <gtest/gtest.h>

#include "platform/portable/display/host_window.h"
#include "platform/portable/display/sight.h"

namespace {

TEST(HostWindow, ReadsTheIdInHexAsXscreensaverWritesItAndInDecimalAsXsecurelockDoes)
{
    EXPECT_EQ(ParseHostWindow("0x40000C").id, 0x40000Cu);
    EXPECT_EQ(ParseHostWindow("0X1a").id, 0x1Au);
    EXPECT_EQ(ParseHostWindow("4194316").id, 4194316u);
    EXPECT_EQ(ParseHostWindow("0x1FFFFFFF").id, 0x1FFFFFFFu);
    for (const char* unset : {static_cast<const char*>(nullptr), ""}) {
        const HostWindowName none = ParseHostWindow(unset);
        EXPECT_EQ(none.id, 0u);
        EXPECT_TRUE(none.problem.empty()) << "no variable, no host: " << none.problem;
    }
}

TEST(HostWindow, RefusesWhatNamesNoWindowInOneLineThatNamesTheVariable)
{
    for (const char* bad : {"zzz", "0", "0x0", "0x", "-5", "+5", " 42", "42 ", "0x40000C)", "1e3",
                            "0x20000000", "99999999999999999999999", "4\n2"}) {
        const HostWindowName refused = ParseHostWindow(bad);
        EXPECT_EQ(refused.id, 0u) << bad;
        EXPECT_EQ(refused.problem.rfind("XSCREENSAVER_WINDOW=", 0), 0u) << refused.problem;
        EXPECT_EQ(refused.problem.find('\n'), std::string::npos) << refused.problem;
    }
    EXPECT_NE(ParseHostWindow("4\n2").problem.find("\\x0A"), std::string::npos);
}

TEST(Sight, AnyOneReasonHidesTheWindow)
{
    EXPECT_TRUE(CanBeSeen({}));
    EXPECT_FALSE(CanBeSeen({.serverSaverOn = true}));
    EXPECT_FALSE(CanBeSeen({.monitorOff = true}));
    EXPECT_FALSE(CanBeSeen({.obscured = true}));
    EXPECT_FALSE(CanBeSeen({.unmapped = true}));
}

TEST(Sight, OnlyAnEnabledDpmsBelowOnTurnsTheMonitorOff)
{
    for (PowerLevel level : {PowerLevel::Standby, PowerLevel::Suspend, PowerLevel::Off}) {
        EXPECT_TRUE(MonitorIsOff(true, true, level));
        EXPECT_FALSE(MonitorIsOff(true, false, level)) << "DPMS disabled";
        EXPECT_FALSE(MonitorIsOff(false, true, level)) << "no DPMS extension";
    }
    EXPECT_FALSE(MonitorIsOff(true, true, PowerLevel::On));
}

} // namespace
