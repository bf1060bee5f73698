// Reading and preparing the variants' registry keys straight through the platform, and
// removing them around each case (the registry outlives a test under wine).
#pragma once

#include <string>

#include "platform/win.h"

// Removes HKCU\SOFTWARE\KORAX and, where the user may, HKLM\SOFTWARE\KORAX with all below,
// and the product's Apps & features entries.
void ClearProductKeys();
// The text of a value, "<missing>" when the key has no such value, "<no key>" without the key.
std::string StoredValue(HKEY root, const std::string& path, const char* name);
bool KeyPresent(HKEY root, const std::string& path);
// Creates the key when missing and sets a text value; false when that is refused.
bool StoreValue(HKEY root, const std::string& path, const char* name, const std::string& value);
// Makes the emulated user an administrator or not (POSIX only; does nothing on Windows).
void SetAdministrator(bool admin);
