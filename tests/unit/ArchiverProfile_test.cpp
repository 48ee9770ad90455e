#include "engine/ArchiverProfile.h"

#include <gtest/gtest.h>

namespace {

struct Stored {
    const char* Extension;
    const char* Value;
    ArchiverProfile Expected;
};

// The default profiles as the settings file stores them.
const Stored Defaults[] = {
    {".zip", R"(7-zip32.DLL,SevenZip,"a -r $Q -tzip ""$A"" ""$D"" *",-hide)",
     {".zip", "7-zip32.DLL", "SevenZip", R"(a -r $Q -tzip "$A" "$D" *)", "-hide"}},
    {".7z", R"(7-zip32.DLL,SevenZip,"a -r $Q -t7z ""$A"" ""$D"" *",-hide)",
     {".7z", "7-zip32.DLL", "SevenZip", R"(a -r $Q -t7z "$A" "$D" *)", "-hide"}},
    {".lzh", R"(UNLHA32.DLL,Unlha,"a -d1 $Q ""$A"" ""$D"" *.*",-n)",
     {".lzh", "UNLHA32.DLL", "Unlha", R"(a -d1 $Q "$A" "$D" *.*)", "-n"}},
    {".cab", R"(CAB32.DLL,Cab,"-a -r $Q ""$A"" ""$D"" *.*",-i)",
     {".cab", "CAB32.DLL", "Cab", R"(-a -r $Q "$A" "$D" *.*)", "-i"}},
};

void ExpectProfile(const std::optional<ArchiverProfile>& actual, const ArchiverProfile& expected)
{
    ASSERT_TRUE(actual.has_value());
    EXPECT_EQ(actual->Extension, expected.Extension);
    EXPECT_EQ(actual->DllName, expected.DllName);
    EXPECT_EQ(actual->FunctionName, expected.FunctionName);
    EXPECT_EQ(actual->CommandTemplate, expected.CommandTemplate);
    EXPECT_EQ(actual->QuietOption, expected.QuietOption);
}

} // namespace

TEST(ParseArchiverProfile, TheDefaultProfiles)
{
    for (const Stored& stored : Defaults) {
        SCOPED_TRACE(stored.Extension);
        ExpectProfile(ParseArchiverProfile(stored.Extension, stored.Value, true), stored.Expected);
        ArchiverProfile loud = stored.Expected;
        loud.QuietOption.clear();
        ExpectProfile(ParseArchiverProfile(stored.Extension, stored.Value, false), loud);
    }
}

TEST(ParseArchiverProfile, TooFewItemsAreRefused)
{
    EXPECT_FALSE(ParseArchiverProfile(".zip", "7-zip32.DLL,SevenZip", false));
    EXPECT_FALSE(ParseArchiverProfile(".zip", "7-zip32.DLL,SevenZip", true));
    EXPECT_FALSE(ParseArchiverProfile(".zip", "", false));

    const char* three = R"(7-zip32.DLL,SevenZip,"a $Q ""$A""")";
    EXPECT_FALSE(ParseArchiverProfile(".zip", three, true));
    ExpectProfile(ParseArchiverProfile(".zip", three, false), {".zip", "7-zip32.DLL", "SevenZip", R"(a $Q "$A")", ""});
}

TEST(ParseArchiverProfile, ItemsAreTakenAsTheyStand)
{
    // Empty items are accepted; the run finds out later.
    ExpectProfile(ParseArchiverProfile(".zip", ",,,", true), {".zip", "", "", "", ""});
    // An unquoted template splits at its blanks: its later words fill the other places.
    ExpectProfile(ParseArchiverProfile(".zip", "x.dll,Fn,a -r $Q", true), {".zip", "x.dll", "Fn", "a", "-r"});
    // Items after the fourth are ignored; blanks around items are skipped.
    ExpectProfile(ParseArchiverProfile(".ZIP", " x.dll , Fn , \"t $A\" , -q , extra", true),
                  {".ZIP", "x.dll", "Fn", "t $A", "-q"});
    ExpectProfile(ParseArchiverProfile(".lzh", "書庫.dll,Fn,\"表 $D\",", true), {".lzh", "書庫.dll", "Fn", "表 $D", ""});
}

TEST(BuildCommandLine, TheExampleLines)
{
    const std::string zip = R"(a -r $Q -tzip "$A" "$D" *)";
    EXPECT_EQ(BuildCommandLine(zip, "-hide", "D:\\pics\\trip.zip", "D:\\pics\\trip\\"),
              R"(a -r -hide -tzip "D:\pics\trip.zip" "D:\pics\trip\" *)");
    EXPECT_EQ(BuildCommandLine(zip, "", "D:\\pics\\trip.zip", "D:\\pics\\trip\\"),
              R"(a -r  -tzip "D:\pics\trip.zip" "D:\pics\trip\" *)");
    EXPECT_EQ(BuildCommandLine(R"(-a -r $Q "$A" "$D" *.*)", "-i", "C:\\表\\ソ.cab", "C:\\表\\ソ\\"),
              "-a -r -i \"C:\\表\\ソ.cab\" \"C:\\表\\ソ\\\" *.*");
}

TEST(BuildCommandLine, ReplacementOrderAndMatching)
{
    // Every occurrence; no placeholder at all leaves the template as it is.
    EXPECT_EQ(BuildCommandLine("$A|$A|$D$D|$Q$Q", "q", "a", "d"), "a|a|dd|qq");
    EXPECT_EQ(BuildCommandLine("plain text", "q", "a", "d"), "plain text");
    // Matched byte for byte: lower case, a lone dollar and "$$" are no placeholders.
    EXPECT_EQ(BuildCommandLine("$a $d $q $ $$A$", "q", "a", "d"), "$a $d $q $ $a$");
    // Inserted text is never scanned again: a folder named "x$Dy" stays itself.
    EXPECT_EQ(BuildCommandLine("[$Q]", "-o$A", "arc", "dir"), "[-o$A]");
    EXPECT_EQ(BuildCommandLine(R"("$A" "$D")", "", "C:\\x$Dy.zip", "C:\\x$Dy\\"), R"("C:\x$Dy.zip" "C:\x$Dy\")");
    EXPECT_EQ(BuildCommandLine("[$Q]", "$Q", "a", "d"), "[$Q]");
    EXPECT_EQ(BuildCommandLine("$QA", "$", "arc", "d"), "$A");
    EXPECT_EQ(BuildCommandLine("$AD", "", "x$", "dir"), "x$D");
}
