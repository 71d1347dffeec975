// The language a process's windows speak: chosen at library start from the
// registry value "LanguageName" among the languages of the language file
// beside the library.
#pragma once

#include <windows.h>

#include <string>

#include "support/registry_key.h"

namespace kmx {

// The registry value, below the user's (else the machine's) settings key,
// that names the chosen language.
inline constexpr char kLanguageNameValue[] = "LanguageName";

// The path of the language file: the directory of MODULE's file followed by
// "kmx512u.cfg". Empty when the module's path cannot be had.
std::string LanguageFilePath(HMODULE module);

// Selects the last language whose name equals the "LanguageName" of USER,
// or of MACHINE when USER has none (language 0 when no name is equal or
// none is stored), and writes the chosen language's name to USER.
void SelectSavedLanguage(RegistryKey& user, const RegistryKey& machine);

}  // namespace kmx
