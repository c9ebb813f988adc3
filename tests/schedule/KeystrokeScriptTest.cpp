#include "schedule/KeystrokeScript.h"

#include "testsupport/CaseName.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace tarnwick {
namespace {

struct NotationCase
{
    const char* name;
    const char* text;
    const char* actions; // as Describe writes them
};

class KeystrokeNotation : public ::testing::TestWithParam<NotationCase>
{
};

TEST_P(KeystrokeNotation, ReadsAsActions)
{
    EXPECT_EQ(Describe(ParseKeystrokes(GetParam().text)), GetParam().actions) << "text: " << GetParam().text;
}

const NotationCase NotationCases[] = {
    {"nothing", "", ""},
    {"plain text is one typing action", "user name 1!", R"(type "user name 1!")"},
    {"named key between texts", "ab{tab}cd", R"(type "ab", key Tab, type "cd")"},
    {"tilde is Enter", "pw~", R"(type "pw", key Return)"},
    {"every named key",
        "{enter}{tab}{esc}{backspace}{bs}{delete}{del}{home}{end}{up}{down}{left}{right}{pgup}{pgdn}{insert}",
        "key Return, key Tab, key Escape, key BackSpace, key BackSpace, key Delete, key Delete, key Home, key End, "
        "key Up, key Down, key Left, key Right, key Page_Up, key Page_Down, key Insert"},
    {"function keys", "{f1}{f9}{f12}", "key F1, key F9, key F12"},
    {"key names in any case", "{TAB}{Enter}{F5}", "key Tab, key Return, key F5"},
    {"repeated key", "{tab 3}", "key Tab x3"},
    {"repeat with several blanks", "{down   2}", "key Down x2"},
    {"repeated character joins the text", "a{x 5}b", R"(type "axxxxxb")"},
    {"repeat of zero presses nothing", "a{tab 0}b{x 0}", R"(type "ab")"},
    {"repeat of a thousand", "{tab 1000}", "key Tab x1000"},
    {"shift on a letter", "+a", "key shift+a"},
    {"ctrl on a letter", "^c", "key ctrl+c"},
    {"alt on a named key", "%{f4}", "key alt+F4"},
    {"modifiers combine", "^+{tab}", "key ctrl+shift+Tab"},
    {"all three modifiers", "%+^{del}", "key ctrl+alt+shift+Delete"},
    {"modifier only on the next key", "+ab", R"(key shift+a, type "b")"},
    {"modifier on a group", "+(ab)c", R"(key shift+a, key shift+b, type "c")"},
    {"nested groups add modifiers", "^(a+(b))", "key ctrl+a, key ctrl+shift+b"},
    {"group without modifier", "(ab)", R"(type "ab")"},
    {"modifier on a repeated key", "+{tab 2}", "key shift+Tab x2"},
    {"modifier on a repeated character", "^{x 3}", "key ctrl+x x3"},
    {"modifier on tilde", "+~", "key shift+Return"},
    {"modifier on punctuation", "+1^.", "key shift+1, key ctrl+."},
    {"braced special characters", "{+}{^}{%}{~}{(}{)}{{}{}}", R"(type "+^%~(){}")"},
    {"braced character repeated", "{+ 3}", R"(type "+++")"},
    {"braced blank", "{ }{  2}", R"(type "   ")"},
    {"modifier on a braced character", "+{(}", "key shift+("},
    {"other characters pass through", "é€", R"(type "é€")"},
    {"modifier on a character of several bytes", "+é", "key shift+é"},
    {"repeat of a character of several bytes", "{é 2}", R"(type "éé")"},
    // Malformed text: typed as written, never refused.
    {"unknown key name", "{hello}", R"(type "{hello}")"},
    {"unknown name under a modifier", "+{no}", "key shift+{, key shift+n, key shift+o, key shift+}"},
    {"pause without closing brace", "{wait 3", R"(type "{wait 3")"},
    {"pause without number", "{wait}", R"(type "{wait}")"},
    {"pause reaching the notation", "{wait 3}", R"(type "{wait 3}")"},
    {"open brace without close", "a{b", R"(type "a{b")"},
    {"open brace before a key", "{{tab}", R"(type "{{tab}")"},
    {"close brace alone", "a}b", R"(type "a}b")"},
    {"empty braces", "a{}b", R"(type "a{}b")"},
    {"repeat over a thousand", "{tab 1001}", R"(type "{tab 1001}")"},
    {"repeat far too large", "{x 99999999999999999999999}", R"(type "{x 99999999999999999999999}")"},
    {"repeat that is no number", "{tab x}{tab -1}{tab 2.5}", R"(type "{tab x}{tab -1}{tab 2.5}")"},
    {"repeat without blank", "{tab3}", R"(type "{tab3}")"},
    {"blank after the repeat", "{tab 3 }", R"(type "{tab 3 }")"},
    {"group never closed", "+(ab", "key shift+a, key shift+b"},
    {"close parenthesis alone", "a)b", R"(type "a)b")"},
    {"modifier at the end", "a+", R"(type "a+")"},
    {"modifiers at the end", "a^%", R"(type "a^%")"},
    {"modifier at the end of a group", "^(a+)b", R"(key ctrl+a, key ctrl++, type "b")"},
    {"modifier before a lone close", "+)", "key shift+)"},
};

INSTANTIATE_TEST_SUITE_P(Table, KeystrokeNotation, ::testing::ValuesIn(NotationCases), test::CaseName{});

TEST(KeystrokeNotationLimits, DeepNestingAndLongRunsEnd)
{
    EXPECT_EQ(Describe(ParseKeystrokes(std::string(200000, '('))), "");
    EXPECT_EQ(Describe(ParseKeystrokes(std::string(200000, ')'))), R"(type ")" + std::string(200000, ')') + "\"");
    EXPECT_EQ(Describe(ParseKeystrokes(std::string(200000, '^') + "a")), "key ctrl+a");
    EXPECT_EQ(ParseKeystrokes(std::string(100000, '{')).front().Text, std::string(100000, '{'));
}

TEST(KeystrokeNotationLimits, AnyMixtureEndsWithSaneActions)
{
    // Random mixtures of the notation's own characters: each must end, with no empty action and
    // no repeat outside 1..1000.
    const std::string alphabet = "{}()+^%~ abtwx0123";
    std::mt19937 random(20240531);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 40);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int i = length(random); i > 0; --i)
            text += alphabet[pick(random)];
        for (const KeyAction& action : ParseKeystrokes(text)) {
            ASSERT_FALSE(action.Text.empty()) << text;
            ASSERT_GE(action.Count, 1) << text;
            ASSERT_LE(action.Count, MaxKeyRepeat) << text;
        }
    }
}

} // namespace
} // namespace tarnwick
