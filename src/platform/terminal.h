#pragma once

// Whether a standard stream of this process is a terminal (a person watching) or a pipe or
// file (a script reading): the command-line tool draws its progress bar only for a person.
namespace Terminal {

bool standardErrorIsTerminal();

} // namespace Terminal
