#include "generator/PerlValue.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(PerlValue, ExpressionsStayPerlAndTextBecomesALiteral)
{
    struct Case {
        const char* typed;
        const char* perl;
    } cases[] = {
        {"$FORM{'name'}[0]", "$FORM{'name'}[0]"},
        {"$Entries->{nrows}", "$Entries->{nrows}"},
        {"$FORM{'a'}[0] . ' ' . $FORM{'b'}[0]", "$FORM{'a'}[0] . ' ' . $FORM{'b'}[0]"},
        {"lc($FORM{'email'}[0])", "lc($FORM{'email'}[0])"},
        {"=$a + 1", "$a + 1"},
        {"O'Brien", "'O\\'Brien'"},
        {"bob@example.com", "'bob@example.com'"},
        {"cost $5", "'cost $5'"},
        {"$US", "'$US'"},
        {"a\"b", "'a\"b'"},
        {"3.5.6", "'3.5.6'"},
        {"system('ls')", "'system(\\'ls\\')'"},
        {"$FORM{'a'", "'$FORM{\\'a\\''"},
        {"'It''s'", "'\\'It\\'\\'s\\''"},
        {"=", "'='"},
        {"", "''"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PerlValue(c.typed), c.perl) << c.typed;
}

TEST(PerlValue, InterpolatedTextComesOutAsTyped)
{
    struct Case {
        const char* typed;
        const char* inString;
    } cases[] = {
        {"Shop \"Q\" <shop@example.com>", "Shop \\\"Q\\\" <shop\\@example.com>"},
        {"Save $5 on $US", "Save \\$5 on \\$US"},
        {"Hello $FORM{'name'}[0]!", "Hello $FORM{'name'}[0]!"},
        {"bob\\@example.com", "bob\\@example.com"},
        {"C:\\temp", "C:\\\\temp"},
        {"$FORM{\"to\"}[0]", "\\$FORM{\\\"to\\\"}[0]"},
        {"http://x/?a=1&b=$FORM{'q'}[0]#top", "http://x/?a=1&b=$FORM{'q'}[0]#top"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PerlInterpolated(c.typed), c.inString) << c.typed;
}

} // namespace
} // namespace quillet
