#pragma once

#include <QString>

#include <windows.h>

// Reads the text value SubKeyRef of the key KeyName under KeyRoot into *KeyVal, through the
// system's ANSI registry functions. True when the value was read; a value that is not text reads
// as empty. On failure *KeyVal is empty.
bool GetKeyValue(HKEY KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString *KeyVal);
