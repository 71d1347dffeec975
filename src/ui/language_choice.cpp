#include "ui/language_choice.h"

#include <cstring>
#include <vector>

#include "ui/language_table.h"

namespace kmx {
namespace {

// A stored name is read into 128 bytes, terminator included.
constexpr DWORD kLanguageNameSize = 128;

}  // namespace

std::string LanguageFilePath(HMODULE module) {
    // Any path the system gives is taken whole: a path cut to a fixed buffer
    // would name another file, and a library installed in a deep directory
    // would lose every label.
    std::vector<char> path(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::string file(path.begin(), path.end());
    size_t separator = file.find_last_of("\\/");
    file.erase(separator == std::string::npos ? 0 : separator + 1);
    return file + kLanguageFileName;
}

void SelectSavedLanguage(RegistryKey& user, const RegistryKey& machine) {
    char saved[kLanguageNameSize] = {};
    bool read = user.QueryString(kLanguageNameValue, saved, sizeof saved) ||
                machine.QueryString(kLanguageNameValue, saved, sizeof saved);
    if (read) {
        int chosen = 0;
        for (int index = 0; index < GetLanguageCount(); ++index)
            if (strcmp(saved, GetLanguageName(index)) == 0) chosen = index;
        SelectLanguage(chosen);
    }
    user.SetString(kLanguageNameValue, GetLanguageName(GetLanguage()));
}

}  // namespace kmx
