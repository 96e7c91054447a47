// Comma-separated settings values ("true,대 로,중앙대로,1,") and the number rules of
// the profile.
#pragma once

#include <QString>

namespace client {

// Takes the text before the first comma as the field and removes it with its comma
// from `rest`; with no comma left, the whole remaining text is the field.
QString TakeField(QString& rest);

// The number a text starts with, as atoi reads it: leading blanks, a sign, digits;
// anything else reads as 0. Values beyond the int range are held at its ends.
int AnsiToInt(const QString& text);

}  // namespace client
