#include "windowing/system_classes.h"

namespace kmxwin::win {

std::vector<WindowClass> SystemClasses() {
    std::vector<WindowClass> classes;
    return classes;
}

}  // namespace kmxwin::win
