#include "modules/module_name.h"

#include <strings.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace kmxwin {

ModuleFileName TranslateModuleName(const char* name) {
    std::string file(name);
    std::replace(file.begin(), file.end(), '\\', '/');
    size_t slash = file.rfind('/');
    size_t base = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = file.rfind('.');
    if (dot == std::string::npos || dot < base) {
        file += ".so";
    } else if (dot + 1 == file.size() && dot > base) {
        file.pop_back();
    } else if (strcasecmp(file.c_str() + dot, ".dll") == 0) {
        file.replace(dot, std::string::npos, ".so");
    }
    if (slash == std::string::npos) return {std::move(file), false};
    // Made a full path, as Windows makes it, so that GetModuleFileNameA
    // reports one and a later change of directory does not change which file
    // the name means.
    std::filesystem::path path = file;
    std::error_code error;
    if (path.is_relative()) path = std::filesystem::current_path(error) / path;
    return {path.lexically_normal().string(), true};
}

}  // namespace kmxwin
