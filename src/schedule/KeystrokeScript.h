#pragma once

// The keystroke notation of the logon and logoff scripts.
//
// Before a script is typed it is changed to lower case and its pauses, "{wait N}", are taken out
// (see LogonAutomation.h); what remains between the pauses is typed in this notation:
//
//   Letters, digits, blanks and other characters   typed as they stand
//   {enter} or ~                                   Enter
//   {tab} {esc} {backspace} or {bs}                Tab, Escape, Backspace
//   {delete} or {del}  {insert}                    Delete, Insert
//   {home} {end} {pgup} {pgdn}                     Home, End, Page Up, Page Down
//   {up} {down} {left} {right}                     the arrow keys
//   {f1} ... {f12}                                 the function keys
//   {tab 3}  {x 5}                                 a key or a character repeated (at most 1000 times)
//   +  ^  %                                        Shift, Ctrl, Alt held for the next key: +a types
//                                                  a capital A, ^c is Ctrl+C, %{f4} is Alt+F4;
//                                                  they combine: ^+{tab} is Ctrl+Shift+Tab
//   +(abc)                                         Shift held for a whole group of keys
//   {+} {^} {%} {~} {(} {)} {{} {}}                the characters + ^ % ~ ( ) { } themselves
//
// Key names may be written in any case. Since the whole script is lower-cased, capitals are typed
// with + (+d for D).
//
// What cannot be read is typed, never refused:
//   - a name in braces that is not a key name, or a repeat count that is not a plain number up
//     to 1000 ("{hello}", "{tab 5000}", "{tab x}") is typed as written, braces included;
//   - a "{" with no "}" after it is typed as "{", and so is a "}" with no "{" before it;
//   - "{}" is typed as "{}";
//   - a ")" with no "(" before it is typed as ")"; a group whose ")" is missing ends with the text;
//   - a +, ^ or % with no key after it is typed as that character.
// A pause token without its closing brace ("{wait 5") is no pause: it is typed as written.

#include "platform/Keystrokes.h"

#include <string_view>
#include <vector>

namespace tarnwick {

// The longest repeat a key can be given in braces.
constexpr int MaxKeyRepeat = 1000;

// The actions that type one piece of keystroke text. Runs of plain characters become one typing
// action; a named key or a character with modifiers becomes one key press with its repeat count.
std::vector<KeyAction> ParseKeystrokes(std::string_view text);

} // namespace tarnwick
