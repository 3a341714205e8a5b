#pragma once

#include <QString>

// Pieces of command lines as the desktop's open commands and the user's settings give them.
namespace CommandLines {

// The program of an open command: from the start (or after an opening quote) up to the first
// quote or the first option. An option is a "-" that begins a word: program names often
// contain "-" themselves, and cutting inside one would start nothing.
QString programOf(const QString &command);
// Everything up to the last path separator ("/" or "\"): the program's directory.
QString directoryOf(const QString &path);
// A program path as one word of a command line: an existing file whose name holds blanks is
// quoted, so the launcher does not split it; anything else stays as it is.
QString asWord(const QString &path);

} // namespace CommandLines
